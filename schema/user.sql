-- The user database of the suite (user/user.fdb below the program folder): users, programs,
-- menus, profiles, sessions and call log, parameter sets, window positions and the contacts of
-- the agenda. TABSCRIPT is not here: the program creates it itself when it is missing.
--
-- The program writes every value as text between single quotes (integers as '5', dates as
-- 'mm/dd/yyyy', times as 'hh:nn:ss') and compares flags with '1', so numbers are INTEGER,
-- dates DATE, times TIME and flags short VARCHARs. Text columns use no character set: the
-- suite keeps Windows-1252 bytes as they come.
--
-- Keys are left off wherever the program must cope with duplicates: two users may share a
-- name, a window position key may have two rows and a parameter may appear twice in a set.

-- One row per user. CODICE carries no primary key because a user row with a NULL or repeated
-- number must still load; the index keeps the look-ups by number and name fast.
CREATE TABLE UTENTI (
  CODICE INTEGER,
  NOMEUTENTE VARCHAR(100),
  PWDUTENTE VARCHAR(100),
  DITTA VARCHAR(100),
  VELKORA BLOB SUB_TYPE TEXT,
  ACCESSOVELKORA VARCHAR(10),
  PROFILOSICUREZZA INTEGER,
  PROGETTO INTEGER,
  MANTIENISTDMIN VARCHAR(10),
  ULTIMODISCOSCELTO VARCHAR(10),
  ABILITASCELTADISCO VARCHAR(10),
  UTENTEINATTIVO VARCHAR(10)
);
CREATE INDEX UTENTI_CODICE ON UTENTI (CODICE);
CREATE INDEX UTENTI_NOMEUTENTE ON UTENTI (NOMEUTENTE);

-- The programs of the suite; ICONA is a file name inside the Grafica folder.
CREATE TABLE PROGRAMMI (
  CODICE INTEGER NOT NULL,
  DESCRIZIONE VARCHAR(100),
  ICONA VARCHAR(255),
  CONSTRAINT PROGRAMMI_PK PRIMARY KEY (CODICE)
);

-- Which programs belong to a project.
CREATE TABLE DETTPROGETTI (
  PROGETTO INTEGER NOT NULL,
  PROGRAMMA INTEGER NOT NULL,
  CONSTRAINT DETTPROGETTI_PK PRIMARY KEY (PROGETTO, PROGRAMMA)
);

-- The menu tree of every program: MENU is unique within its program and orders every list.
CREATE TABLE DETTMENU (
  PROGRAMMA INTEGER NOT NULL,
  MENU INTEGER NOT NULL,
  LIVELLOMENU INTEGER,
  MENUPREC INTEGER,
  VISIBILE VARCHAR(10),
  DESCRIZIONE VARCHAR(255),
  VOCERAPIDA VARCHAR(10),
  DLL VARCHAR(255),
  FUNZIONE VARCHAR(255),
  LIVELLO2VERSIONE VARCHAR(10),
  PARAMETRIBLOB BLOB SUB_TYPE TEXT,
  CONSTRAINT DETTMENU_PK PRIMARY KEY (PROGRAMMA, MENU)
);
-- The submenu look-ups ask by program, depth and parent.
CREATE INDEX DETTMENU_FIGLI ON DETTMENU (PROGRAMMA, LIVELLOMENU, MENUPREC);

-- Security profiles; the program only asks whether a profile's row exists.
CREATE TABLE PROFILI (
  CODICE INTEGER NOT NULL,
  LIVELLOPREDEFINITO VARCHAR(20),
  CONSTRAINT PROFILI_PK PRIMARY KEY (CODICE)
);

-- Access level of a profile for one menu item (kept for the suite's security tools).
CREATE TABLE DETTPROF (
  PROFILO INTEGER NOT NULL,
  PROGRAMMA INTEGER NOT NULL,
  MENU INTEGER NOT NULL,
  LIVELLO VARCHAR(20),
  CONSTRAINT DETTPROF_PK PRIMARY KEY (PROFILO, PROGRAMMA, MENU)
);

-- Work sessions; a session is open while DATACHIUSURA is NULL.
CREATE TABLE NORVILOG (
  CODICESESSIONE INTEGER NOT NULL,
  DATAAPERTURA DATE,
  ORAAPERTURA TIME,
  CODICEUTENTE INTEGER,
  DATACHIUSURA DATE,
  ORACHIUSURA TIME,
  CONSTRAINT NORVILOG_PK PRIMARY KEY (CODICESESSIONE)
);
CREATE INDEX NORVILOG_UTENTE ON NORVILOG (CODICEUTENTE);

-- One row per function called from a menu item. The handle is a native window id, which on
-- some systems does not fit a signed 32-bit column, hence BIGINT.
CREATE TABLE NORVILOGFUNZ (
  CODICESESSIONE INTEGER,
  DATACHIAMATAFUNZIONE DATE,
  ORACHIAMATAFUNZIONE TIME,
  FUNZIONECHIAMATA VARCHAR(255),
  IDFINESTRA INTEGER,
  HANDLEFINESTRA BIGINT,
  -- The menu item started (DETTMENU's PROGRAMMA and MENU), so that the recent items can be
  -- read back; NULL for a call that no item made (the agenda opened at login).
  PROGRAMMA INTEGER,
  MENU INTEGER
);
CREATE INDEX NORVILOGFUNZ_SESSIONE ON NORVILOGFUNZ (CODICESESSIONE);
CREATE INDEX NORVILOGFUNZ_IDFINESTRA ON NORVILOGFUNZ (IDFINESTRA);

-- The rows of the users' parameter sets. No unique key: a parameter may be stored twice.
CREATE TABLE TABVELKORA (
  UTENTE INTEGER,
  INTESTAZIONE VARCHAR(100),
  PARAMETRO VARCHAR(100),
  VALORE VARCHAR(2048),
  PROGRESSIVO INTEGER
);
CREATE INDEX TABVELKORA_CHIAVE ON TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO);

-- Window positions. The statements name the columns without quotes, so they are created
-- without quotes too (stored upper case, matched without regard to case). No primary key:
-- two rows with one key must be accepted.
CREATE TABLE STOPOS1 (
  CodiceSituazione INTEGER,
  CodiceUtente INTEGER,
  CodiceProgetto INTEGER,
  PosX INTEGER,
  PosY INTEGER,
  DimX INTEGER,
  DimY INTEGER
);
CREATE INDEX STOPOS1_CHIAVE ON STOPOS1 (CodiceSituazione, CodiceUtente, CodiceProgetto);

-- The contacts that the agenda module shows, per user.
CREATE TABLE RUBRICA (
  CODICE INTEGER NOT NULL,
  UTENTE INTEGER,
  NOME VARCHAR(100),
  TELEFONO VARCHAR(40),
  EMAIL VARCHAR(100),
  NOTE VARCHAR(1024),
  CONSTRAINT RUBRICA_PK PRIMARY KEY (CODICE)
);
CREATE INDEX RUBRICA_UTENTE ON RUBRICA (UTENTE);

CREATE GENERATOR CODICESESSIONENORVILOG;
CREATE GENERATOR IDFINESTRANORVILOGFUNZCOUNTER;
CREATE GENERATOR CODICERUBRICACOUNTER;
