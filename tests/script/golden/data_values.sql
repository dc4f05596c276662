-- Values written exactly: every digit of a number, dates (the zero date
-- included) with their time, quotes, ampersands and every kind of line
-- break spliced out of the literals, character and binary large objects.
CREATE TABLE VALS (
  ID NUMBER(3),
  N NUMBER,
  T VARCHAR2(60),
  D DATE,
  C CLOB,
  B BLOB,
  R RAW(8)
);
INSERT INTO VALS VALUES (1, 1234567890.123456789, 'O''Brien & Sons', TO_DATE('12/30/1899 00:00:00', 'mm/dd/yyyy HH24:MI:SS'), 'short clob', HEXTORAW('00FF10'), HEXTORAW('CAFE'));
INSERT INTO VALS VALUES (2, -.5, 'two' || CHR(13) || CHR(10) || 'lines', TO_DATE('12/30/1899 12:00:00', 'mm/dd/yyyy HH24:MI:SS'), EMPTY_CLOB(), EMPTY_BLOB(), NULL);
INSERT INTO VALS VALUES (3, 0.000001, 'lone' || CHR(10) || 'lf and' || CHR(13) || 'cr', TO_DATE('02/29/2024 23:59:59', 'mm/dd/yyyy HH24:MI:SS'), NULL, NULL, NULL);
INSERT INTO VALS VALUES (4, NULL, NULL, NULL, 'it''s' || CHR(10) || 'two', NULL, NULL);
INSERT INTO VALS VALUES (5, 12345678901234567890123456789012345678, 'ünïcødé', TO_DATE('01/01/0099 00:00:00', 'mm/dd/yyyy HH24:MI:SS'), NULL, NULL, NULL);
