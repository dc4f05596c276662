// Conversions between the UTF-8 text of the access layer, the generator and
// files, and the UTF-16 lines of the text store.  Malformed input never
// fails: each bad sequence becomes U+FFFD, so a byte string of any content
// can be shown in the editor.
#pragma once

#include <string>
#include <string_view>

namespace tarlow {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tarlow
