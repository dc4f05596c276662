-- Names that are not plain identifiers are written in double quotes;
-- quotes in names and comments stay inside their literals; a comment
-- holding */ cannot end its comment early.
CREATE TABLE "Order Lines" (
  "select" NUMBER(3),
  "lower" VARCHAR2(10),
  PLAIN_COL VARCHAR2(10),
  CONSTRAINT "Order Lines PK" PRIMARY KEY ("select")
);
CREATE TABLE "O'Hara" (ID NUMBER(3), "Note" VARCHAR2(20));
COMMENT ON TABLE "Order Lines" IS 'The customer''s lines';
COMMENT ON COLUMN "Order Lines"."lower" IS 'Ends */ early? Not here';
COMMENT ON COLUMN "O'Hara"."Note" IS 'Irish';
INSERT INTO "Order Lines" VALUES (1, 'it''s', 'x');
INSERT INTO "O'Hara" VALUES (7, 'fáilte');
