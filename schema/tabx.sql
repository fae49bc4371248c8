-- The database of the typed parameters (the general connection opened by name).
--
-- Rows are inserted without a column list, so the order of the twelve columns below is part
-- of the contract. NUMERO is written as text with "." as decimal separator; DATA as
-- 'mm/dd/yyyy'. A value is identified by CODPROGETTO, CODSITUAZIONE, NOME and UTENTE, but
-- nothing enforces it: only CODICE, drawn from the generator, is a key.
CREATE TABLE TABX (
  CODICE INTEGER NOT NULL,
  CODPROGETTO VARCHAR(60),
  CODSITUAZIONE VARCHAR(60),
  TIPO VARCHAR(10),
  NOME VARCHAR(100),
  NUMERO DOUBLE PRECISION,
  TESTO VARCHAR(1024),
  DATA DATE,
  MEMO BLOB SUB_TYPE TEXT,
  LIVELLO1 SMALLINT,
  LIVELLO2 SMALLINT,
  UTENTE INTEGER,
  CONSTRAINT TABX_PK PRIMARY KEY (CODICE)
);
-- The load into memory reads by user and kind, the look-ups by the four identifying columns.
CREATE INDEX TABX_UTENTE_TIPO ON TABX (UTENTE, TIPO);
CREATE INDEX TABX_VALORE ON TABX (CODPROGETTO, CODSITUAZIONE, NOME, UTENTE);

CREATE GENERATOR CODICETABXCOUNTER;
