select * from EMP;
insert into T values ('it''s', 'x');
  12 1.5 1e10 1.5E+07 7E 12. .5 3e-
COL_1_A NAME$PART a-b -- rest is comment
/
'unterminated string
after_string 'x'
SELECT Select sElEcT VARCHAR2 NUMBER TABLESPACE
"Quoted ""Name""" x // line comment
a/b */ ; ( ) , | : % +
