// The user's locale formats that shape dates and numbers read from the
// database and the status bar clock: the short date format, the long time
// format and the decimal separator.
//
// Formats are pattern texts in the program's own notation:
//   d dd      day without / with a leading zero      m mm   month
//   mmm mmmm  month name, short / long (English)     yy yyyy year
//   h hh      hour                                   n nn   minute
//   s ss      second                                 z zzz  milliseconds
//   am/pm a/p ampm  twelve-hour clock with its marker
//   "..." '...'     literal text
// Anything else is copied as it stands.
//
// By default they come from the process locale (LC_TIME, LC_NUMERIC, as the
// program set them with setlocale); tests pin their own with setLocaleFormats.
#pragma once

#include <string>

namespace platform {

struct LocaleFormats {
  std::string shortDateFormat = "dd/mm/yyyy";
  std::string longTimeFormat = "hh:nn:ss";
  char decimalSeparator = '.';
};

// The formats in force: pinned ones, else those of the process locale.
LocaleFormats localeFormats();
void setLocaleFormats(const LocaleFormats& formats);
// Back to the process locale.
void clearLocaleFormats();
// Reads the process locale now (what localeFormats gives when nothing is pinned).
LocaleFormats processLocaleFormats();

struct DateTimeParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const DateTimeParts&) const = default;
};

// A date-time counts days from 30 December 1899, its fraction the time of day
// (negative values count back, the fraction still adding time of day).
double encodeDateTime(const DateTimeParts& parts);
DateTimeParts decodeDateTime(double value);

std::string formatDateTime(const std::string& format, const DateTimeParts& parts);
// Short date, a blank and long time; the time is left out at exactly midnight.
std::string dateTimeToString(const DateTimeParts& parts, const LocaleFormats& formats = localeFormats());

}  // namespace platform
