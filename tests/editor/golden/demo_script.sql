DROP TABLE ASSIGNMENTS CASCADE CONSTRAINTS;

/**************************************************
*   Table: ASSIGNMENTS
**************************************************/
CREATE TABLE ASSIGNMENTS
(
  EMP_ID NUMBER(6),
  PROJECT_CODE CHAR(6),
  ROLE VARCHAR2(30) DEFAULT 'Developer',
  SHARE_PCT NUMBER(5,2)
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


/**************************************************
*  Check Constraint: CK_ASSIGNMENTS_SHARE
**************************************************/
ALTER TABLE ASSIGNMENTS ADD CONSTRAINT CK_ASSIGNMENTS_SHARE CHECK (share_pct BETWEEN 0 AND 100);

ALTER TABLE ASSIGNMENTS MODIFY (EMP_ID NOT NULL);
ALTER TABLE ASSIGNMENTS MODIFY (PROJECT_CODE NOT NULL);

/**************************************************
*   Index: PK_ASSIGNMENTS
**************************************************/
CREATE UNIQUE INDEX PK_ASSIGNMENTS ON ASSIGNMENTS (EMP_ID,PROJECT_CODE)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_ASSIGNMENTS
**************************************************/
ALTER TABLE ASSIGNMENTS ADD CONSTRAINT PK_ASSIGNMENTS PRIMARY KEY (EMP_ID, PROJECT_CODE);

INSERT INTO ASSIGNMENTS (EMP_ID,
PROJECT_CODE,
ROLE,
SHARE_PCT) Values(101,
'APOLLO',
'Lead',
100);

INSERT INTO ASSIGNMENTS (EMP_ID,
PROJECT_CODE,
ROLE,
SHARE_PCT) Values(102,
'ENGINE',
'Architect',
62.5);

INSERT INTO ASSIGNMENTS (EMP_ID,
PROJECT_CODE,
ROLE,
SHARE_PCT) Values(103,
'ENGINE',
'Developer',
37.5);

INSERT INTO ASSIGNMENTS (EMP_ID,
PROJECT_CODE,
ROLE,
SHARE_PCT) Values(104,
'LEDGER',
'',
NULL);

COMMIT;

/**************************************************
*   Default: Table: ASSIGNMENTS, Column: ROLE
**************************************************/
ALTER TABLE ASSIGNMENTS MODIFY (ROLE DEFAULT 'Developer'
);

DROP TABLE DEPARTMENTS CASCADE CONSTRAINTS;

/**************************************************
*   Table: DEPARTMENTS
**************************************************/
/* Departments, each in one region */
CREATE TABLE DEPARTMENTS
(
  DEPT_ID NUMBER(4),
  DEPT_NAME VARCHAR2(40),
  REGION_ID NUMBER(2),
  MANAGER_ID NUMBER(6),
  BUDGET NUMBER(12,2) DEFAULT 0  /* Yearly budget in euros */,
  OPENED_ON DATE DEFAULT SYSDATE
)
  tablespace USERS
  pctfree 15
  pctused 60
  initrans 1
  maxtrans 255
  storage
  (
    initial 128K
    next 256K
    minextents 1
    maxextents 500
    pctincrease 0
  );


COMMENT ON TABLE DEPARTMENTS IS 'Departments, each in one region';

COMMENT ON COLUMN DEPARTMENTS.BUDGET IS 'Yearly budget in euros';

/**************************************************
*  Check Constraint: CK_DEPARTMENTS_BUDGET
**************************************************/
ALTER TABLE DEPARTMENTS ADD CONSTRAINT CK_DEPARTMENTS_BUDGET CHECK (budget >= 0);
ALTER TABLE DEPARTMENTS ADD CONSTRAINT NN_DEPARTMENTS_NAME CHECK ("DEPT_NAME" IS NOT NULL);

ALTER TABLE DEPARTMENTS MODIFY (DEPT_ID NOT NULL);
ALTER TABLE DEPARTMENTS MODIFY (DEPT_NAME NOT NULL);

/**************************************************
*   Index: PK_DEPARTMENTS
**************************************************/
CREATE UNIQUE INDEX PK_DEPARTMENTS ON DEPARTMENTS (DEPT_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_DEPARTMENTS
**************************************************/
ALTER TABLE DEPARTMENTS ADD CONSTRAINT PK_DEPARTMENTS PRIMARY KEY (DEPT_ID);

INSERT INTO DEPARTMENTS (DEPT_ID,
DEPT_NAME,
REGION_ID,
MANAGER_ID,
BUDGET,
OPENED_ON) Values(10,
'Administration',
1,
100,
250000,
TO_DATE('01/02/2001 00:00:00', 'mm/dd/yyyy HH24:MI:SS'));

INSERT INTO DEPARTMENTS (DEPT_ID,
DEPT_NAME,
REGION_ID,
MANAGER_ID,
BUDGET,
OPENED_ON) Values(20,
'Research '||CHR(38)||' Development',
1,
102,
1250000.5,
TO_DATE('06/15/2003 09:30:00', 'mm/dd/yyyy HH24:MI:SS'));

INSERT INTO DEPARTMENTS (DEPT_ID,
DEPT_NAME,
REGION_ID,
MANAGER_ID,
BUDGET,
OPENED_ON) Values(30,
'Sales',
2,
103,
800000,
TO_DATE('11/30/2005 17:45:59', 'mm/dd/yyyy HH24:MI:SS'));

INSERT INTO DEPARTMENTS (DEPT_ID,
DEPT_NAME,
REGION_ID,
MANAGER_ID,
BUDGET,
OPENED_ON) Values(40,
'O'||CHR(39)||'Reilly Liaison',
3,
NULL,
NULL,
NULL);

COMMIT;

/**************************************************
*   Trigger : TRG_DEPARTMENTS_GUARD
**************************************************/
CREATE OR REPLACE TRIGGER trg_departments_guard
  BEFORE INSERT OR UPDATE OR DELETE ON departments
 BEGIN
  IF TO_CHAR(SYSDATE, 'DY') IN ('SAT', 'SUN') THEN
    RAISE_APPLICATION_ERROR(-20010, 'Departments change on working days only');
  END IF;
END trg_departments_guard;
/

/**************************************************
*   Default: Table: DEPARTMENTS, Column: BUDGET
**************************************************/
ALTER TABLE DEPARTMENTS MODIFY (BUDGET DEFAULT 0
);

/**************************************************
*   Default: Table: DEPARTMENTS, Column: OPENED_ON
**************************************************/
ALTER TABLE DEPARTMENTS MODIFY (OPENED_ON DEFAULT SYSDATE
);

DROP TABLE DOCUMENTS CASCADE CONSTRAINTS;

/**************************************************
*   Table: DOCUMENTS
**************************************************/
CREATE TABLE DOCUMENTS
(
  DOC_ID NUMBER(*,0),
  EMP_ID NUMBER(6),
  TITLE VARCHAR2(200),
  BODY CLOB,
  SCAN LONG RAW,
  CHECKSUM RAW(20),
  PAGES NUMBER(5) DEFAULT 1,
  WEIGHT_KG FLOAT(63)
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


ALTER TABLE DOCUMENTS MODIFY (DOC_ID NOT NULL);
ALTER TABLE DOCUMENTS MODIFY (TITLE NOT NULL);

/**************************************************
*   Index: PK_DOCUMENTS
**************************************************/
CREATE UNIQUE INDEX PK_DOCUMENTS ON DOCUMENTS (DOC_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_DOCUMENTS
**************************************************/
ALTER TABLE DOCUMENTS ADD CONSTRAINT PK_DOCUMENTS PRIMARY KEY (DOC_ID);

INSERT INTO DOCUMENTS (DOC_ID,
EMP_ID,
TITLE,
BODY,
SCAN,
CHECKSUM,
PAGES,
WEIGHT_KG) Values(100,
100,
'Contract',
TO_CLOB('This agreement is made between the company and Grace Hopper.'),
NULL,
HEXTORAW('0123456789ABCDEF0123456789ABCDEF01234567'),
12,
.25);

INSERT INTO DOCUMENTS (DOC_ID,
EMP_ID,
TITLE,
BODY,
SCAN,
CHECKSUM,
PAGES,
WEIGHT_KG) Values(110,
102,
'Notes on the engine',
NULL,
NULL,
NULL,
65,
NULL);

COMMIT;

/**************************************************
*   Default: Table: DOCUMENTS, Column: PAGES
**************************************************/
ALTER TABLE DOCUMENTS MODIFY (PAGES DEFAULT 1
);

DROP TABLE EMPLOYEES CASCADE CONSTRAINTS;

/**************************************************
*   Table: EMPLOYEES
**************************************************/
/* Everybody on the payroll, with their manager */
CREATE TABLE EMPLOYEES
(
  EMP_ID NUMBER(6)  /* Staff number */,
  FIRST_NAME VARCHAR2(30),
  LAST_NAME VARCHAR2(40),
  EMAIL VARCHAR2(80),
  HIRE_DATE DATE DEFAULT SYSDATE,
  SALARY NUMBER(9,2),
  COMMISSION FLOAT(126),
  GRADE CHAR(1) DEFAULT 'C'  /* Pay grade A (highest) to D */,
  MANAGER_ID NUMBER(6),
  DEPT_ID NUMBER(4),
  BADGE RAW(16)  /* The employee's badge chip serial */,
  PHOTO BLOB,
  RESUME CLOB,
  NOTES LONG  /* Free notes kept by the personnel office */
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


COMMENT ON TABLE EMPLOYEES IS 'Everybody on the payroll, with their manager';

COMMENT ON COLUMN EMPLOYEES.BADGE IS 'The employee''s badge chip serial';

COMMENT ON COLUMN EMPLOYEES.EMP_ID IS 'Staff number';

COMMENT ON COLUMN EMPLOYEES.GRADE IS 'Pay grade A (highest) to D';

COMMENT ON COLUMN EMPLOYEES.NOTES IS 'Free notes kept by the personnel office';

/**************************************************
*  Check Constraint: CK_EMPLOYEES_SALARY
**************************************************/
ALTER TABLE EMPLOYEES ADD CONSTRAINT CK_EMPLOYEES_SALARY CHECK (salary > 0);
ALTER TABLE EMPLOYEES ADD CONSTRAINT SYS_C7047101 CHECK (grade IN ('A', 'B', 'C', 'D'));

ALTER TABLE EMPLOYEES MODIFY (EMP_ID NOT NULL);
ALTER TABLE EMPLOYEES MODIFY (LAST_NAME NOT NULL);
ALTER TABLE EMPLOYEES MODIFY (HIRE_DATE NOT NULL);

/**************************************************
*   Index: IX_EMPLOYEES_DEPT
**************************************************/
CREATE INDEX IX_EMPLOYEES_DEPT ON EMPLOYEES (DEPT_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Index: IX_EMPLOYEES_NAME
**************************************************/
CREATE INDEX IX_EMPLOYEES_NAME ON EMPLOYEES (LAST_NAME,FIRST_NAME)
  tablespace USERS
  pctfree 20
  initrans 4
  maxtrans 255
  storage
  (
    initial 128K
    next 128K
    minextents 1
    maxextents unlimited
    pctincrease 0
  );

/**************************************************
*   Index: PK_EMPLOYEES
**************************************************/
CREATE UNIQUE INDEX PK_EMPLOYEES ON EMPLOYEES (EMP_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Index: UK_EMPLOYEES_EMAIL
**************************************************/
CREATE UNIQUE INDEX UK_EMPLOYEES_EMAIL ON EMPLOYEES (EMAIL)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_EMPLOYEES
**************************************************/
ALTER TABLE EMPLOYEES ADD CONSTRAINT PK_EMPLOYEES PRIMARY KEY (EMP_ID);

/**************************************************
*   Unique Key: UK_EMPLOYEES_EMAIL
**************************************************/
ALTER TABLE EMPLOYEES ADD CONSTRAINT UK_EMPLOYEES_EMAIL UNIQUE (EMAIL);

INSERT INTO EMPLOYEES (EMP_ID,
FIRST_NAME,
LAST_NAME,
EMAIL,
HIRE_DATE,
SALARY,
COMMISSION,
GRADE,
MANAGER_ID,
DEPT_ID,
BADGE,
PHOTO,
RESUME,
NOTES) Values(100,
'Grace',
'Hopper',
'grace.hopper@example.com',
TO_DATE('01/02/2001 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
18000,
NULL,
'A',
NULL,
10,
HEXTORAW('00FF10A0B1C2D3E4F5'),
NULL,
NULL,
'Founder.'||
CHR(10)||'Prefers "nanoseconds" to wire.');

INSERT INTO EMPLOYEES (EMP_ID,
FIRST_NAME,
LAST_NAME,
EMAIL,
HIRE_DATE,
SALARY,
COMMISSION,
GRADE,
MANAGER_ID,
DEPT_ID,
BADGE,
PHOTO,
RESUME,
NOTES) Values(101,
'Dennis',
'O'||CHR(39)||'Brien',
'dennis.obrien@example.com',
TO_DATE('06/15/2003 08:00:00', 'mm/dd/yyyy HH24:MI:SS'),
9500.75,
.05,
'B',
100,
20,
NULL,
NULL,
NULL,
'');

INSERT INTO EMPLOYEES (EMP_ID,
FIRST_NAME,
LAST_NAME,
EMAIL,
HIRE_DATE,
SALARY,
COMMISSION,
GRADE,
MANAGER_ID,
DEPT_ID,
BADGE,
PHOTO,
RESUME,
NOTES) Values(102,
'Ada',
'Lovelace',
'ada.lovelace@example.com',
TO_DATE('12/10/2004 23:59:59', 'mm/dd/yyyy HH24:MI:SS'),
12000,
.125,
'A',
100,
20,
NULL,
NULL,
NULL,
'Long notes. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A to G. Analytical engine, notes A');

INSERT INTO EMPLOYEES (EMP_ID,
FIRST_NAME,
LAST_NAME,
EMAIL,
HIRE_DATE,
SALARY,
COMMISSION,
GRADE,
MANAGER_ID,
DEPT_ID,
BADGE,
PHOTO,
RESUME,
NOTES) Values(103,
'Ken',
'Thompson',
'',
TO_DATE('03/01/2006 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
7000,
NULL,
'',
101,
30,
NULL,
NULL,
NULL,
'');

INSERT INTO EMPLOYEES (EMP_ID,
FIRST_NAME,
LAST_NAME,
EMAIL,
HIRE_DATE,
SALARY,
COMMISSION,
GRADE,
MANAGER_ID,
DEPT_ID,
BADGE,
PHOTO,
RESUME,
NOTES) Values(104,
'',
'Smith '||CHR(38)||' Sons',
'smith@example.com',
TO_DATE('07/04/2010 12:00:00', 'mm/dd/yyyy HH24:MI:SS'),
4200.5,
.0015,
'D',
103,
30,
NULL,
NULL,
TO_CLOB('First line of the resume'||
CHR(10)||'second line, after a line break'),
'');

COMMIT;

/**************************************************
*   Trigger : TRG_EMPLOYEES_SALARY
**************************************************/
CREATE OR REPLACE TRIGGER trg_employees_salary
  AFTER UPDATE OF salary ON employees
  FOR EACH ROW
WHEN (new.salary <> old.salary)
 BEGIN
  INSERT INTO salary_history (history_id, emp_id, old_salary, new_salary)
  VALUES (seq_salary_history.NEXTVAL, :new.emp_id, :old.salary, :new.salary);
END;
/

/**************************************************
*   Default: Table: EMPLOYEES, Column: GRADE
**************************************************/
ALTER TABLE EMPLOYEES MODIFY (GRADE DEFAULT 'C'
);

/**************************************************
*   Default: Table: EMPLOYEES, Column: HIRE_DATE
**************************************************/
ALTER TABLE EMPLOYEES MODIFY (HIRE_DATE DEFAULT SYSDATE );

DROP TABLE PROJECTS CASCADE CONSTRAINTS;

/**************************************************
*   Table: PROJECTS
**************************************************/
/* Projects run by a department */
CREATE TABLE PROJECTS
(
  PROJECT_CODE CHAR(6),
  TITLE VARCHAR2(100),
  DEPT_ID NUMBER(4),
  STATUS VARCHAR2(10) DEFAULT 'PLANNED'  /* PLANNED, ACTIVE or DONE */,
  START_DATE DATE,
  END_DATE DATE,
  ESTIMATE NUMBER
)
  tablespace USERS
  pctfree 5
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 64K
    minextents 1
    maxextents unlimited
  );


COMMENT ON TABLE PROJECTS IS 'Projects run by a department';

COMMENT ON COLUMN PROJECTS.STATUS IS 'PLANNED, ACTIVE or DONE';

/**************************************************
*  Check Constraint: CK_PROJECTS_STATUS
**************************************************/
ALTER TABLE PROJECTS ADD CONSTRAINT CK_PROJECTS_STATUS CHECK (status IN ('PLANNED', 'ACTIVE', 'DONE'));
ALTER TABLE PROJECTS ADD CONSTRAINT SYS_C7047104 CHECK (end_date IS NULL OR end_date >= start_date);

ALTER TABLE PROJECTS MODIFY (PROJECT_CODE NOT NULL);
ALTER TABLE PROJECTS MODIFY (TITLE NOT NULL);
ALTER TABLE PROJECTS MODIFY (DEPT_ID NOT NULL);

/**************************************************
*   Index: PK_PROJECTS
**************************************************/
CREATE UNIQUE INDEX PK_PROJECTS ON PROJECTS (PROJECT_CODE)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Index: UX_PROJECTS_TITLE
**************************************************/
CREATE UNIQUE INDEX UX_PROJECTS_TITLE ON PROJECTS (TITLE)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 64K
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_PROJECTS
**************************************************/
ALTER TABLE PROJECTS ADD CONSTRAINT PK_PROJECTS PRIMARY KEY (PROJECT_CODE);

INSERT INTO PROJECTS (PROJECT_CODE,
TITLE,
DEPT_ID,
STATUS,
START_DATE,
END_DATE,
ESTIMATE) Values('APOLLO',
'Moon landing guidance',
20,
'DONE',
TO_DATE('05/25/1961 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
TO_DATE('07/20/1969 20:17:40', 'mm/dd/yyyy HH24:MI:SS'),
25400000000.123456789);

INSERT INTO PROJECTS (PROJECT_CODE,
TITLE,
DEPT_ID,
STATUS,
START_DATE,
END_DATE,
ESTIMATE) Values('ENGINE',
'Analytical engine, "the mill" '||CHR(38)||' store',
20,
'ACTIVE',
TO_DATE('02/29/2020 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
NULL,
12345678901234567890.5);

INSERT INTO PROJECTS (PROJECT_CODE,
TITLE,
DEPT_ID,
STATUS,
START_DATE,
END_DATE,
ESTIMATE) Values('LEDGER',
'Sales ledger',
30,
'PLANNED',
NULL,
NULL,
NULL);

COMMIT;

/**************************************************
*   Default: Table: PROJECTS, Column: STATUS
**************************************************/
ALTER TABLE PROJECTS MODIFY (STATUS DEFAULT 'PLANNED'
                             );

DROP TABLE REGIONS CASCADE CONSTRAINTS;

/**************************************************
*   Table: REGIONS
**************************************************/
/* Sales regions of the company */
CREATE TABLE REGIONS
(
  REGION_ID NUMBER(2),
  REGION_NAME VARCHAR2(30)
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


COMMENT ON TABLE REGIONS IS 'Sales regions of the company';

ALTER TABLE REGIONS MODIFY (REGION_ID NOT NULL);
ALTER TABLE REGIONS MODIFY (REGION_NAME NOT NULL);

/**************************************************
*   Index: PK_REGIONS
**************************************************/
CREATE UNIQUE INDEX PK_REGIONS ON REGIONS (REGION_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Index: UK_REGIONS_NAME
**************************************************/
CREATE UNIQUE INDEX UK_REGIONS_NAME ON REGIONS (REGION_NAME)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_REGIONS
**************************************************/
ALTER TABLE REGIONS ADD CONSTRAINT PK_REGIONS PRIMARY KEY (REGION_ID);

/**************************************************
*   Unique Key: UK_REGIONS_NAME
**************************************************/
ALTER TABLE REGIONS ADD CONSTRAINT UK_REGIONS_NAME UNIQUE (REGION_NAME);

INSERT INTO REGIONS (REGION_ID,
REGION_NAME) Values(1,
'Europe');

INSERT INTO REGIONS (REGION_ID,
REGION_NAME) Values(2,
'Americas');

INSERT INTO REGIONS (REGION_ID,
REGION_NAME) Values(3,
'Asia '||CHR(38)||' Pacific');

COMMIT;

DROP TABLE SALARY_HISTORY CASCADE CONSTRAINTS;

/**************************************************
*   Table: SALARY_HISTORY
**************************************************/
CREATE TABLE SALARY_HISTORY
(
  HISTORY_ID NUMBER(10),
  EMP_ID NUMBER(6),
  OLD_SALARY NUMBER(9,2),
  NEW_SALARY NUMBER(9,2),
  CHANGED_ON DATE DEFAULT SYSDATE,
  CHANGED_BY VARCHAR2(30) DEFAULT USER
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


ALTER TABLE SALARY_HISTORY MODIFY (HISTORY_ID NOT NULL);
ALTER TABLE SALARY_HISTORY MODIFY (EMP_ID NOT NULL);

/**************************************************
*   Index: SYS_C7047106
**************************************************/
CREATE UNIQUE INDEX SYS_C7047106 ON SALARY_HISTORY (HISTORY_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: SYS_C7047106
**************************************************/
ALTER TABLE SALARY_HISTORY ADD CONSTRAINT SYS_C7047106 PRIMARY KEY (HISTORY_ID);

INSERT INTO SALARY_HISTORY (HISTORY_ID,
EMP_ID,
OLD_SALARY,
NEW_SALARY,
CHANGED_ON,
CHANGED_BY) Values(1,
101,
9000,
9500.75,
TO_DATE('01/01/2019 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
'HR');

INSERT INTO SALARY_HISTORY (HISTORY_ID,
EMP_ID,
OLD_SALARY,
NEW_SALARY,
CHANGED_ON,
CHANGED_BY) Values(2,
102,
11000,
12000,
TO_DATE('06/30/2020 16:20:00', 'mm/dd/yyyy HH24:MI:SS'),
'DEMO');

COMMIT;

/**************************************************
*   Default: Table: SALARY_HISTORY, Column: CHANGED_BY
**************************************************/
ALTER TABLE SALARY_HISTORY MODIFY (CHANGED_BY DEFAULT USER
);

/**************************************************
*   Default: Table: SALARY_HISTORY, Column: CHANGED_ON
**************************************************/
ALTER TABLE SALARY_HISTORY MODIFY (CHANGED_ON DEFAULT SYSDATE
);

DROP TABLE TIMESHEETS CASCADE CONSTRAINTS;

/**************************************************
*   Table: TIMESHEETS
**************************************************/
/* Hours booked by an employee on an assignment */
CREATE TABLE TIMESHEETS
(
  EMP_ID NUMBER(6),
  PROJECT_CODE CHAR(6),
  WORK_DATE DATE,
  HOURS NUMBER(4,2),
  REMARK VARCHAR2(200)
)
  tablespace USERS
  pctfree 10
  initrans 1
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );


COMMENT ON TABLE TIMESHEETS IS 'Hours booked by an employee on an assignment';

/**************************************************
*  Check Constraint: CK_TIMESHEETS_HOURS
**************************************************/
ALTER TABLE TIMESHEETS ADD CONSTRAINT CK_TIMESHEETS_HOURS CHECK (hours > 0 AND hours <= 24);

ALTER TABLE TIMESHEETS MODIFY (EMP_ID NOT NULL);
ALTER TABLE TIMESHEETS MODIFY (PROJECT_CODE NOT NULL);
ALTER TABLE TIMESHEETS MODIFY (WORK_DATE NOT NULL);
ALTER TABLE TIMESHEETS MODIFY (HOURS NOT NULL);

/**************************************************
*   Index: IX_TIMESHEETS_DATE
**************************************************/
CREATE INDEX IX_TIMESHEETS_DATE ON TIMESHEETS (WORK_DATE,EMP_ID)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Index: PK_TIMESHEETS
**************************************************/
CREATE UNIQUE INDEX PK_TIMESHEETS ON TIMESHEETS (EMP_ID,PROJECT_CODE,WORK_DATE)
  tablespace USERS
  pctfree 10
  initrans 2
  maxtrans 255
  storage
  (
    initial 64K
    next 1M
    minextents 1
    maxextents unlimited
  );

/**************************************************
*   Primary Key: PK_TIMESHEETS
**************************************************/
ALTER TABLE TIMESHEETS ADD CONSTRAINT PK_TIMESHEETS PRIMARY KEY (EMP_ID, PROJECT_CODE, WORK_DATE);

INSERT INTO TIMESHEETS (EMP_ID,
PROJECT_CODE,
WORK_DATE,
HOURS,
REMARK) Values(102,
'ENGINE',
TO_DATE('03/01/2021 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
7.5,
'Design review');

INSERT INTO TIMESHEETS (EMP_ID,
PROJECT_CODE,
WORK_DATE,
HOURS,
REMARK) Values(102,
'ENGINE',
TO_DATE('03/02/2021 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
8,
'Card reader; "punch" tests');

INSERT INTO TIMESHEETS (EMP_ID,
PROJECT_CODE,
WORK_DATE,
HOURS,
REMARK) Values(103,
'ENGINE',
TO_DATE('03/02/2021 00:00:00', 'mm/dd/yyyy HH24:MI:SS'),
.25,
'');

COMMIT;

DELETE ASSIGNMENTS WHERE EMP_ID NOT IN 
   (SELECT A.EMP_ID FROM EMPLOYEES A);

/**************************************************
*  Foreign Key: FK_ASSIGNMENTS_EMP
**************************************************/
ALTER TABLE ASSIGNMENTS ADD CONSTRAINT FK_ASSIGNMENTS_EMP FOREIGN KEY (EMP_ID)
REFERENCES EMPLOYEES(EMP_ID) ON DELETE CASCADE;


DELETE ASSIGNMENTS WHERE PROJECT_CODE NOT IN 
   (SELECT A.PROJECT_CODE FROM PROJECTS A);

/**************************************************
*  Foreign Key: FK_ASSIGNMENTS_PROJECT
**************************************************/
ALTER TABLE ASSIGNMENTS ADD CONSTRAINT FK_ASSIGNMENTS_PROJECT FOREIGN KEY (PROJECT_CODE)
REFERENCES PROJECTS(PROJECT_CODE);

DELETE DEPARTMENTS WHERE MANAGER_ID NOT IN 
   (SELECT A.EMP_ID FROM EMPLOYEES A);

/**************************************************
*  Foreign Key: FK_DEPARTMENTS_MANAGER
**************************************************/
ALTER TABLE DEPARTMENTS ADD CONSTRAINT FK_DEPARTMENTS_MANAGER FOREIGN KEY (MANAGER_ID)
REFERENCES EMPLOYEES(EMP_ID);


DELETE DEPARTMENTS WHERE REGION_ID NOT IN 
   (SELECT A.REGION_ID FROM REGIONS A);

/**************************************************
*  Foreign Key: SYS_C7047098
**************************************************/
ALTER TABLE DEPARTMENTS ADD CONSTRAINT SYS_C7047098 FOREIGN KEY (REGION_ID)
REFERENCES REGIONS(REGION_ID);

DELETE DOCUMENTS WHERE EMP_ID NOT IN 
   (SELECT A.EMP_ID FROM EMPLOYEES A);

/**************************************************
*  Foreign Key: FK_DOCUMENTS_EMP
**************************************************/
ALTER TABLE DOCUMENTS ADD CONSTRAINT FK_DOCUMENTS_EMP FOREIGN KEY (EMP_ID)
REFERENCES EMPLOYEES(EMP_ID);

DELETE EMPLOYEES WHERE DEPT_ID NOT IN 
   (SELECT A.DEPT_ID FROM DEPARTMENTS A);

/**************************************************
*  Foreign Key: FK_EMPLOYEES_DEPT
**************************************************/
ALTER TABLE EMPLOYEES ADD CONSTRAINT FK_EMPLOYEES_DEPT FOREIGN KEY (DEPT_ID)
REFERENCES DEPARTMENTS(DEPT_ID);


DELETE EMPLOYEES WHERE MANAGER_ID NOT IN 
   (SELECT A.EMP_ID FROM EMPLOYEES A);

/**************************************************
*  Foreign Key: FK_EMPLOYEES_MANAGER
**************************************************/
ALTER TABLE EMPLOYEES ADD CONSTRAINT FK_EMPLOYEES_MANAGER FOREIGN KEY (MANAGER_ID)
REFERENCES EMPLOYEES(EMP_ID);

DELETE PROJECTS WHERE DEPT_ID NOT IN 
   (SELECT A.DEPT_ID FROM DEPARTMENTS A);

/**************************************************
*  Foreign Key: FK_PROJECTS_DEPT
**************************************************/
ALTER TABLE PROJECTS ADD CONSTRAINT FK_PROJECTS_DEPT FOREIGN KEY (DEPT_ID)
REFERENCES DEPARTMENTS(DEPT_ID);

DELETE SALARY_HISTORY WHERE EMP_ID NOT IN 
   (SELECT A.EMP_ID FROM EMPLOYEES A);

/**************************************************
*  Foreign Key: SYS_C7047108
**************************************************/
ALTER TABLE SALARY_HISTORY ADD CONSTRAINT SYS_C7047108 FOREIGN KEY (EMP_ID)
REFERENCES EMPLOYEES(EMP_ID) ON DELETE CASCADE;

DELETE TIMESHEETS WHERE (EMP_ID, PROJECT_CODE) NOT IN 
   (SELECT A.EMP_ID, A.PROJECT_CODE FROM ASSIGNMENTS A);

/**************************************************
*  Foreign Key: FK_TIMESHEETS_ASSIGNMENT
**************************************************/
ALTER TABLE TIMESHEETS ADD CONSTRAINT FK_TIMESHEETS_ASSIGNMENT FOREIGN KEY (EMP_ID, PROJECT_CODE)
REFERENCES ASSIGNMENTS(EMP_ID, PROJECT_CODE) ON DELETE CASCADE;

/**************************************************
*  View: V_ACTIVE_PROJECTS
**************************************************/
CREATE OR REPLACE VIEW V_ACTIVE_PROJECTS
AS
SELECT p.project_code, p.title, d.dept_name, p.start_date
  FROM projects p JOIN departments d ON d.dept_id = p.dept_id
 WHERE p.status = 'ACTIVE';

/**************************************************
*  View: V_EMPLOYEE_DETAILS
**************************************************/
CREATE OR REPLACE VIEW V_EMPLOYEE_DETAILS
AS
SELECT e.emp_id,
       e.first_name || ' ' || e.last_name,
       e.email,
       d.dept_name,
       r.region_name,
       e.salary,
       e.manager_id
  FROM employees e, departments d, regions r
 WHERE e.dept_id = d.dept_id
   AND d.region_id = r.region_id;

/**************************************************
*  View: V_DEPARTMENT_PAYROLL
**************************************************/
CREATE OR REPLACE VIEW V_DEPARTMENT_PAYROLL
AS
SELECT dept_name, region_name, COUNT(*) AS head_count, SUM(salary) AS total_salary
  FROM v_employee_details
 GROUP BY dept_name, region_name;

/**************************************************
*  View: V_REGION_PAYROLL
**************************************************/
CREATE OR REPLACE VIEW V_REGION_PAYROLL
AS
SELECT region_name, SUM(total_salary) AS total_salary
  FROM v_department_payroll
 GROUP BY region_name;

DROP SEQUENCE SEQ_DOCUMENTS;
CREATE SEQUENCE SEQ_DOCUMENTS 
 START WITH 150 
 INCREMENT BY 10 
 MINVALUE 100 
 MAXVALUE 999990 
 CYCLE 
 CACHE 5 
 ORDER;

DROP SEQUENCE SEQ_EMPLOYEES;
CREATE SEQUENCE SEQ_EMPLOYEES 
 START WITH 1000 
 INCREMENT BY 1 
 MINVALUE 1 
 NOMAXVALUE 
 NOCYCLE 
 CACHE 20 
 NOORDER;

DROP SEQUENCE SEQ_SALARY_HISTORY;
CREATE SEQUENCE SEQ_SALARY_HISTORY 
 START WITH 3 
 INCREMENT BY 1 
 MINVALUE 1 
 NOMAXVALUE 
 NOCYCLE 
 NOCACHE 
 NOORDER;

/**************************************************
*  Procedure: LOG_MESSAGE
**************************************************/
CREATE OR REPLACE PROCEDURE log_message (p_text IN VARCHAR2)
IS
BEGIN
  DBMS_OUTPUT.PUT_LINE(TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS') || ' ' || p_text);
END log_message;
/

/**************************************************
*  Procedure: RAISE_SALARY
**************************************************/
CREATE OR REPLACE PROCEDURE raise_salary (p_emp_id IN NUMBER, p_percent IN NUMBER)
IS
  v_old employees.salary%TYPE;
BEGIN
  SELECT salary INTO v_old FROM employees WHERE emp_id = p_emp_id;
  UPDATE employees SET salary = salary * (1 + p_percent / 100) WHERE emp_id = p_emp_id;
  log_message('Salary of ' || p_emp_id || ' raised from ' || v_old);
END raise_salary;
/

/**************************************************
*  Procedure: GIVE_DEPARTMENT_RAISE
**************************************************/
CREATE OR REPLACE PROCEDURE give_department_raise (p_dept_id IN NUMBER, p_percent IN NUMBER)
IS
BEGIN
  FOR r IN (SELECT emp_id FROM employees WHERE dept_id = p_dept_id) LOOP
    raise_salary(r.emp_id, p_percent);
  END LOOP;
  log_message('Department ' || p_dept_id || ' done');
END give_department_raise;
/

/**************************************************
*  Function: FULL_NAME
**************************************************/
CREATE OR REPLACE FUNCTION full_name (p_emp_id IN NUMBER) RETURN VARCHAR2
IS
  v_name VARCHAR2(80);
BEGIN
  SELECT first_name || ' ' || last_name INTO v_name FROM employees WHERE emp_id = p_emp_id;
  RETURN v_name;
EXCEPTION
  WHEN NO_DATA_FOUND THEN
    RETURN NULL;
END full_name;
/

/**************************************************
*  Function: YEARS_OF_SERVICE
**************************************************/
CREATE OR REPLACE FUNCTION years_of_service (p_emp_id IN NUMBER) RETURN NUMBER
IS
  v_hired DATE;
BEGIN
  SELECT hire_date INTO v_hired FROM employees WHERE emp_id = p_emp_id;
  RETURN TRUNC(MONTHS_BETWEEN(SYSDATE, v_hired) / 12);
END years_of_service;
/

/**************************************************
*  Function: SERVICE_LABEL
**************************************************/
CREATE OR REPLACE FUNCTION service_label (p_emp_id IN NUMBER) RETURN VARCHAR2
IS
BEGIN
  RETURN full_name(p_emp_id) || ' (' || years_of_service(p_emp_id) || ' years)';
END service_label;
/

/*****************************************
*  PACKAGE HEADER: PKG_PAYROLL
*****************************************/
CREATE OR REPLACE PACKAGE pkg_payroll
IS
  c_max_raise CONSTANT NUMBER := 15;

  PROCEDURE apply_raise (p_emp_id IN NUMBER, p_percent IN NUMBER);
  FUNCTION department_total (p_dept_id IN NUMBER) RETURN NUMBER;
END pkg_payroll;
/

/*****************************************
*  PACKAGE BODY: PKG_PAYROLL
*****************************************/
CREATE OR REPLACE PACKAGE BODY pkg_payroll
IS
  PROCEDURE apply_raise (p_emp_id IN NUMBER, p_percent IN NUMBER)
  IS
  BEGIN
    IF p_percent > c_max_raise THEN
      RAISE_APPLICATION_ERROR(-20001, 'A raise above ' || c_max_raise || '% needs approval');
    END IF;
    raise_salary(p_emp_id, p_percent);
  END apply_raise;

  FUNCTION department_total (p_dept_id IN NUMBER) RETURN NUMBER
  IS
    v_total NUMBER;
  BEGIN
    SELECT NVL(SUM(salary), 0) INTO v_total FROM employees WHERE dept_id = p_dept_id;
    RETURN v_total;
  END department_total;
END pkg_payroll;
/



