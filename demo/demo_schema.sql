REM Tarlow demo schema: a small company with departments, employees,
REM projects and time sheets.  Load it as the schema owner, for example
REM   sqlplus demo/demo@DEMO @demo_schema.sql
REM It holds every kind of object and value that Tarlow scripts.

SET DEFINE OFF
SET ECHO OFF
WHENEVER SQLERROR CONTINUE

PROMPT Creating tables ...

CREATE TABLE regions
( region_id    NUMBER(2)     CONSTRAINT pk_regions PRIMARY KEY
, region_name  VARCHAR2(30)  NOT NULL
, CONSTRAINT uk_regions_name UNIQUE (region_name)
)
TABLESPACE users
PCTFREE 10
INITRANS 1
MAXTRANS 255
STORAGE (INITIAL 64K NEXT 1M MINEXTENTS 1 MAXEXTENTS UNLIMITED);

CREATE TABLE departments
( dept_id      NUMBER(4)
, dept_name    VARCHAR2(40)  CONSTRAINT nn_departments_name NOT NULL
, region_id    NUMBER(2)     REFERENCES regions (region_id)
, manager_id   NUMBER(6)
, budget       NUMBER(12,2)  DEFAULT 0
, opened_on    DATE          DEFAULT SYSDATE
, CONSTRAINT pk_departments PRIMARY KEY (dept_id)
, CONSTRAINT ck_departments_budget CHECK (budget >= 0)
)
TABLESPACE users
PCTFREE 15
PCTUSED 60
STORAGE (INITIAL 128K NEXT 256K MINEXTENTS 1 MAXEXTENTS 500 PCTINCREASE 0);

CREATE TABLE employees
( emp_id       NUMBER(6)     CONSTRAINT pk_employees PRIMARY KEY
, first_name   VARCHAR2(30)
, last_name    VARCHAR2(40)  NOT NULL
, email        VARCHAR2(80)  CONSTRAINT uk_employees_email UNIQUE
, hire_date    DATE          DEFAULT SYSDATE NOT NULL
, salary       NUMBER(9,2)   CONSTRAINT ck_employees_salary CHECK (salary > 0)
, commission   FLOAT
, grade        CHAR(1)       DEFAULT 'C'
, manager_id   NUMBER(6)     CONSTRAINT fk_employees_manager REFERENCES employees (emp_id)
, dept_id      NUMBER(4)     CONSTRAINT fk_employees_dept REFERENCES departments
, badge        RAW(16)
, photo        BLOB
, resume       CLOB
, notes        LONG
, CHECK (grade IN ('A', 'B', 'C', 'D'))
);

ALTER TABLE departments
  ADD CONSTRAINT fk_departments_manager FOREIGN KEY (manager_id) REFERENCES employees (emp_id);

CREATE TABLE projects
( project_code CHAR(6)       CONSTRAINT pk_projects PRIMARY KEY
, title        VARCHAR2(100) NOT NULL
, dept_id      NUMBER(4)     NOT NULL CONSTRAINT fk_projects_dept REFERENCES departments (dept_id)
, status       VARCHAR2(10)  DEFAULT 'PLANNED'
                             CONSTRAINT ck_projects_status CHECK (status IN ('PLANNED', 'ACTIVE', 'DONE'))
, start_date   DATE
, end_date     DATE
, estimate     NUMBER
, CHECK (end_date IS NULL OR end_date >= start_date)
)
PCTFREE 5
STORAGE (INITIAL 64K NEXT 64K);

CREATE TABLE assignments
( emp_id       NUMBER(6)
, project_code CHAR(6)
, role         VARCHAR2(30)  DEFAULT 'Developer'
, share_pct    NUMBER(5,2)
, CONSTRAINT pk_assignments PRIMARY KEY (emp_id, project_code)
, CONSTRAINT fk_assignments_emp FOREIGN KEY (emp_id) REFERENCES employees (emp_id) ON DELETE CASCADE
, CONSTRAINT fk_assignments_project FOREIGN KEY (project_code) REFERENCES projects (project_code)
, CONSTRAINT ck_assignments_share CHECK (share_pct BETWEEN 0 AND 100)
);

CREATE TABLE timesheets
( emp_id       NUMBER(6)
, project_code CHAR(6)
, work_date    DATE
, hours        NUMBER(4,2)   NOT NULL
, remark       VARCHAR2(200)
, CONSTRAINT pk_timesheets PRIMARY KEY (emp_id, project_code, work_date)
, CONSTRAINT fk_timesheets_assignment FOREIGN KEY (emp_id, project_code)
    REFERENCES assignments (emp_id, project_code) ON DELETE CASCADE
, CONSTRAINT ck_timesheets_hours CHECK (hours > 0 AND hours <= 24)
);

CREATE TABLE salary_history
( history_id   NUMBER(10)    PRIMARY KEY
, emp_id       NUMBER(6)     NOT NULL REFERENCES employees (emp_id) ON DELETE CASCADE
, old_salary   NUMBER(9,2)
, new_salary   NUMBER(9,2)
, changed_on   DATE          DEFAULT SYSDATE
, changed_by   VARCHAR2(30)  DEFAULT USER
);

CREATE TABLE documents
( doc_id       INTEGER       CONSTRAINT pk_documents PRIMARY KEY
, emp_id       NUMBER(6)     CONSTRAINT fk_documents_emp REFERENCES employees (emp_id)
, title        VARCHAR2(200) NOT NULL
, body         CLOB
, scan         LONG RAW
, checksum     RAW(20)
, pages        NUMBER(5)     DEFAULT 1
, weight_kg    FLOAT(63)
);

PROMPT Creating indexes ...

CREATE INDEX ix_employees_name ON employees (last_name, first_name)
  TABLESPACE users
  PCTFREE 20
  INITRANS 4
  MAXTRANS 255
  STORAGE (INITIAL 128K NEXT 128K MINEXTENTS 1 MAXEXTENTS UNLIMITED PCTINCREASE 0);

CREATE INDEX ix_employees_dept ON employees (dept_id);

CREATE UNIQUE INDEX ux_projects_title ON projects (title)
  TABLESPACE users
  STORAGE (INITIAL 64K NEXT 64K);

CREATE INDEX ix_timesheets_date ON timesheets (work_date, emp_id);

PROMPT Adding comments ...

COMMENT ON TABLE regions IS 'Sales regions of the company';
COMMENT ON TABLE departments IS 'Departments, each in one region';
COMMENT ON TABLE employees IS 'Everybody on the payroll, with their manager';
COMMENT ON TABLE projects IS 'Projects run by a department';
COMMENT ON TABLE timesheets IS 'Hours booked by an employee on an assignment';
COMMENT ON COLUMN employees.emp_id IS 'Staff number';
COMMENT ON COLUMN employees.badge IS 'The employee''s badge chip serial';
COMMENT ON COLUMN employees.grade IS 'Pay grade A (highest) to D';
COMMENT ON COLUMN employees.notes IS 'Free notes kept by the personnel office';
COMMENT ON COLUMN departments.budget IS 'Yearly budget in euros';
COMMENT ON COLUMN projects.status IS 'PLANNED, ACTIVE or DONE';

PROMPT Creating sequences ...

CREATE SEQUENCE seq_employees START WITH 1000 INCREMENT BY 1 CACHE 20;
CREATE SEQUENCE seq_salary_history START WITH 1 INCREMENT BY 1 NOCACHE NOCYCLE;
CREATE SEQUENCE seq_documents
  START WITH 100
  INCREMENT BY 10
  MINVALUE 100
  MAXVALUE 999990
  CYCLE
  CACHE 5
  ORDER;

PROMPT Creating views ...

CREATE OR REPLACE VIEW v_employee_details
  (emp_id, full_name, email, dept_name, region_name, salary, manager_id)
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

CREATE OR REPLACE VIEW v_department_payroll
AS
SELECT dept_name, region_name, COUNT(*) AS head_count, SUM(salary) AS total_salary
  FROM v_employee_details
 GROUP BY dept_name, region_name;

CREATE OR REPLACE VIEW v_region_payroll
AS
SELECT region_name, SUM(total_salary) AS total_salary
  FROM v_department_payroll
 GROUP BY region_name;

CREATE OR REPLACE VIEW v_active_projects
AS
SELECT p.project_code, p.title, d.dept_name, p.start_date
  FROM projects p JOIN departments d ON d.dept_id = p.dept_id
 WHERE p.status = 'ACTIVE'
WITH READ ONLY;

PROMPT Creating procedures, functions and packages ...

CREATE OR REPLACE PROCEDURE log_message (p_text IN VARCHAR2)
IS
BEGIN
  DBMS_OUTPUT.PUT_LINE(TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS') || ' ' || p_text);
END log_message;
/

CREATE OR REPLACE PROCEDURE raise_salary (p_emp_id IN NUMBER, p_percent IN NUMBER)
IS
  v_old employees.salary%TYPE;
BEGIN
  SELECT salary INTO v_old FROM employees WHERE emp_id = p_emp_id;
  UPDATE employees SET salary = salary * (1 + p_percent / 100) WHERE emp_id = p_emp_id;
  log_message('Salary of ' || p_emp_id || ' raised from ' || v_old);
END raise_salary;
/

CREATE OR REPLACE PROCEDURE give_department_raise (p_dept_id IN NUMBER, p_percent IN NUMBER)
IS
BEGIN
  FOR r IN (SELECT emp_id FROM employees WHERE dept_id = p_dept_id) LOOP
    raise_salary(r.emp_id, p_percent);
  END LOOP;
  log_message('Department ' || p_dept_id || ' done');
END give_department_raise;
/

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

CREATE OR REPLACE FUNCTION years_of_service (p_emp_id IN NUMBER) RETURN NUMBER
IS
  v_hired DATE;
BEGIN
  SELECT hire_date INTO v_hired FROM employees WHERE emp_id = p_emp_id;
  RETURN TRUNC(MONTHS_BETWEEN(SYSDATE, v_hired) / 12);
END years_of_service;
/

CREATE OR REPLACE FUNCTION service_label (p_emp_id IN NUMBER) RETURN VARCHAR2
IS
BEGIN
  RETURN full_name(p_emp_id) || ' (' || years_of_service(p_emp_id) || ' years)';
END service_label;
/

CREATE OR REPLACE PACKAGE pkg_payroll
IS
  c_max_raise CONSTANT NUMBER := 15;

  PROCEDURE apply_raise (p_emp_id IN NUMBER, p_percent IN NUMBER);
  FUNCTION department_total (p_dept_id IN NUMBER) RETURN NUMBER;
END pkg_payroll;
/

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

PROMPT Creating triggers ...

CREATE OR REPLACE TRIGGER trg_departments_guard
  BEFORE INSERT OR UPDATE OR DELETE ON departments
BEGIN
  IF TO_CHAR(SYSDATE, 'DY') IN ('SAT', 'SUN') THEN
    RAISE_APPLICATION_ERROR(-20010, 'Departments change on working days only');
  END IF;
END trg_departments_guard;
/

CREATE OR REPLACE TRIGGER trg_employees_salary
  AFTER UPDATE OF salary ON employees
  FOR EACH ROW
  WHEN (new.salary <> old.salary)
BEGIN
  INSERT INTO salary_history (history_id, emp_id, old_salary, new_salary)
  VALUES (seq_salary_history.NEXTVAL, :new.emp_id, :old.salary, :new.salary);
END;
/

CREATE OR REPLACE TRIGGER trg_projects_code
  BEFORE INSERT OR UPDATE ON projects
  REFERENCING NEW AS n OLD AS o
  FOR EACH ROW
BEGIN
  :n.project_code := UPPER(:n.project_code);
END;
/

ALTER TRIGGER trg_projects_code DISABLE;

PROMPT Loading rows ...

INSERT INTO regions (region_id, region_name) VALUES (1, 'Europe');
INSERT INTO regions (region_id, region_name) VALUES (2, 'Americas');
INSERT INTO regions (region_id, region_name) VALUES (3, 'Asia & Pacific');

INSERT INTO departments (dept_id, dept_name, region_id, budget, opened_on)
VALUES (10, 'Administration', 1, 250000, TO_DATE('2001-01-02', 'YYYY-MM-DD'));
INSERT INTO departments (dept_id, dept_name, region_id, budget, opened_on)
VALUES (20, 'Research & Development', 1, 1250000.5, TO_DATE('2003-06-15 09:30:00', 'YYYY-MM-DD HH24:MI:SS'));
INSERT INTO departments (dept_id, dept_name, region_id, budget, opened_on)
VALUES (30, 'Sales', 2, 800000, TO_DATE('2005-11-30 17:45:59', 'YYYY-MM-DD HH24:MI:SS'));
INSERT INTO departments (dept_id, dept_name, region_id, budget, opened_on)
VALUES (40, 'O''Reilly Liaison', 3, NULL, NULL);

INSERT INTO employees (emp_id, first_name, last_name, email, hire_date, salary, commission, grade, manager_id, dept_id, badge, notes)
VALUES (100, 'Grace', 'Hopper', 'grace.hopper@example.com', TO_DATE('2001-01-02', 'YYYY-MM-DD'), 18000, NULL, 'A', NULL, 10,
        HEXTORAW('00FF10A0B1C2D3E4F5'), 'Founder.' || CHR(10) || 'Prefers "nanoseconds" to wire.');
INSERT INTO employees (emp_id, first_name, last_name, email, hire_date, salary, commission, grade, manager_id, dept_id)
VALUES (101, 'Dennis', 'O''Brien', 'dennis.obrien@example.com', TO_DATE('2003-06-15 08:00:00', 'YYYY-MM-DD HH24:MI:SS'), 9500.75, 0.05, 'B', 100, 20);
INSERT INTO employees (emp_id, first_name, last_name, email, hire_date, salary, commission, grade, manager_id, dept_id, notes)
VALUES (102, 'Ada', 'Lovelace', 'ada.lovelace@example.com', TO_DATE('2004-12-10 23:59:59', 'YYYY-MM-DD HH24:MI:SS'), 12000, 0.125, 'A', 100, 20,
        RPAD('Long notes. ', 3800, 'Analytical engine, notes A to G. '));
INSERT INTO employees (emp_id, first_name, last_name, email, hire_date, salary, commission, grade, manager_id, dept_id)
VALUES (103, 'Ken', 'Thompson', NULL, TO_DATE('2006-03-01', 'YYYY-MM-DD'), 7000, NULL, NULL, 101, 30);
INSERT INTO employees (emp_id, first_name, last_name, email, hire_date, salary, commission, grade, manager_id, dept_id, resume)
VALUES (104, NULL, 'Smith & Sons', 'smith@example.com', TO_DATE('2010-07-04 12:00:00', 'YYYY-MM-DD HH24:MI:SS'), 4200.5, 1.5E-3, 'D', 103, 30,
        'First line of the resume
second line, after a line break');

UPDATE departments SET manager_id = 100 WHERE dept_id = 10;
UPDATE departments SET manager_id = 102 WHERE dept_id = 20;
UPDATE departments SET manager_id = 103 WHERE dept_id = 30;

INSERT INTO projects (project_code, title, dept_id, status, start_date, end_date, estimate)
VALUES ('APOLLO', 'Moon landing guidance', 20, 'DONE', TO_DATE('1961-05-25', 'YYYY-MM-DD'), TO_DATE('1969-07-20 20:17:40', 'YYYY-MM-DD HH24:MI:SS'), 25400000000.123456789);
INSERT INTO projects (project_code, title, dept_id, status, start_date, estimate)
VALUES ('ENGINE', 'Analytical engine, "the mill" & store', 20, 'ACTIVE', TO_DATE('2020-02-29', 'YYYY-MM-DD'), 12345678901234567890.5);
INSERT INTO projects (project_code, title, dept_id)
VALUES ('LEDGER', 'Sales ledger', 30);

INSERT INTO assignments (emp_id, project_code, role, share_pct) VALUES (101, 'APOLLO', 'Lead', 100);
INSERT INTO assignments (emp_id, project_code, role, share_pct) VALUES (102, 'ENGINE', 'Architect', 62.5);
INSERT INTO assignments (emp_id, project_code, share_pct) VALUES (103, 'ENGINE', 37.5);
INSERT INTO assignments (emp_id, project_code, role, share_pct) VALUES (104, 'LEDGER', NULL, NULL);

INSERT INTO timesheets (emp_id, project_code, work_date, hours, remark)
VALUES (102, 'ENGINE', TO_DATE('2021-03-01', 'YYYY-MM-DD'), 7.5, 'Design review');
INSERT INTO timesheets (emp_id, project_code, work_date, hours, remark)
VALUES (102, 'ENGINE', TO_DATE('2021-03-02', 'YYYY-MM-DD'), 8, 'Card reader; "punch" tests');
INSERT INTO timesheets (emp_id, project_code, work_date, hours, remark)
VALUES (103, 'ENGINE', TO_DATE('2021-03-02', 'YYYY-MM-DD'), 0.25, NULL);

INSERT INTO salary_history (history_id, emp_id, old_salary, new_salary, changed_on, changed_by)
VALUES (seq_salary_history.NEXTVAL, 101, 9000, 9500.75, TO_DATE('2019-01-01', 'YYYY-MM-DD'), 'HR');
INSERT INTO salary_history (history_id, emp_id, old_salary, new_salary, changed_on)
VALUES (seq_salary_history.NEXTVAL, 102, 11000, 12000, TO_DATE('2020-06-30 16:20:00', 'YYYY-MM-DD HH24:MI:SS'));

INSERT INTO documents (doc_id, emp_id, title, body, checksum, pages, weight_kg)
VALUES (seq_documents.NEXTVAL, 100, 'Contract', 'This agreement is made between the company and Grace Hopper.', HEXTORAW('0123456789ABCDEF0123456789ABCDEF01234567'), 12, 0.25);
INSERT INTO documents (doc_id, emp_id, title, pages)
VALUES (seq_documents.NEXTVAL, 102, 'Notes on the engine', 65);

COMMIT;
