-- Tables of the agency database "assurebdd". Tested on MariaDB 10.5 and
-- later; MySQL 8 by construction only (types, collations and syntax that
-- both servers know), see packaging/LISEZMOI-serveur.md.
-- The program reads several tables with "select *" and takes the columns by
-- position, so the column order below is part of the program's contract.
-- Login names and passwords are bytes (VARBINARY): they compare exactly, with
-- no case folding and no padding, so 'pw ' is not 'pw'. The other texts
-- compare case-insensitively so that a search for "dupont" finds "DUPONT".

SET NAMES utf8mb4;

CREATE TABLE IF NOT EXISTS personnes (
  id          INT NOT NULL AUTO_INCREMENT,          -- 0: agent id
  `user`      VARBINARY(64) NOT NULL,
  `password`  VARBINARY(64) NOT NULL,
  nom         VARCHAR(128) NOT NULL DEFAULT '',     -- 3: first name and name
  telephone   VARCHAR(32)  NOT NULL DEFAULT '',     -- 4
  email       VARCHAR(128) NOT NULL DEFAULT '',     -- 5
  adresse     VARCHAR(255) NOT NULL DEFAULT '',     -- 6
  PRIMARY KEY (id),
  KEY personnes_login (`user`, `password`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE IF NOT EXISTS principal (
  id             INT NOT NULL AUTO_INCREMENT,       -- 0
  idpersonne     VARCHAR(32)  NOT NULL,             -- 1
  users          VARBINARY(64) NOT NULL,            -- 2
  `password`     VARBINARY(64) NOT NULL,            -- 3
  nom            VARCHAR(255) NOT NULL,             -- 4
  adresse        VARCHAR(255) NOT NULL,             -- 5
  persacontacter VARCHAR(255) NOT NULL,             -- 6
  telephone      VARCHAR(255) NOT NULL,             -- 7
  coutpolice     INT NULL,                          -- 8
  prime          INT NULL,                          -- 9
  taxe           INT NULL,                          -- 10
  fga            INT NULL,                          -- 11
  pca            INT NULL,                          -- 12
  primetotal     INT NULL,                          -- 13
  genre          VARCHAR(255) NOT NULL,             -- 14
  marque         VARCHAR(255) NOT NULL,             -- 15
  `type`         VARCHAR(255) NOT NULL,             -- 16
  immat          VARCHAR(255) NOT NULL,             -- 17
  police         VARCHAR(255) NOT NULL,             -- 18
  attestation    VARCHAR(255) NOT NULL,             -- 19
  valable        DATE NULL,                         -- 20: cover starts
  valabl         DATE NULL,                         -- 21: cover ends
  valableau      VARCHAR(16)  NOT NULL,             -- 22
  valablea       VARCHAR(16)  NOT NULL,             -- 23
  nbrdemois      VARCHAR(8)   NOT NULL,             -- 24
  energie        VARCHAR(64)  NOT NULL,             -- 25
  forcefiscal    VARCHAR(8)   NOT NULL,             -- 26
  categorie      VARCHAR(128) NOT NULL,             -- 27
  tranchef       VARCHAR(64)  NOT NULL,             -- 28
  nbrdeplace     VARCHAR(255) NOT NULL,             -- 29
  sommencais     INT NULL,                          -- 30
  sommefact      INT NULL,                          -- 31
  currentd       DATE NULL,                         -- 32: date the reports select on
  cmois          VARCHAR(2)   NOT NULL,             -- 33
  cannee         VARCHAR(4)   NOT NULL,             -- 34
  reserve1       VARCHAR(255) NULL,                 -- 35..38: kept free
  reserve2       VARCHAR(255) NULL,
  reserve3       VARCHAR(255) NULL,
  reserve4       VARCHAR(255) NULL,
  padres         VARCHAR(255) NULL,                 -- 39: contact's address
  trie           INT NOT NULL DEFAULT 1,            -- 40: issue count
  PRIMARY KEY (id),
  KEY principal_agent_expiry (idpersonne, valabl),
  -- The next three carry the columns their statements read, so that a
  -- search keystroke, the agent's lists, the login's total and the cash-desk
  -- totals are answered from the index alone, without one row read per
  -- policy of the agent.
  KEY principal_agent_plate (idpersonne, immat, nom, valabl, valable),
  KEY principal_agent_start (idpersonne, currentd, prime, coutpolice, taxe, fga, pca, primetotal),
  KEY principal_login_expiry (users, `password`, valabl, idpersonne),
  KEY principal_plate (immat),
  KEY principal_name (nom)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Issue history: one row per save, never updated.
CREATE TABLE IF NOT EXISTS principal1 (
  idhistorique   INT NOT NULL AUTO_INCREMENT,       -- 0
  idpersonne     VARCHAR(32)  NOT NULL,
  users          VARBINARY(64) NOT NULL,
  `password`     VARBINARY(64) NOT NULL,
  nom            VARCHAR(255) NOT NULL,
  adresse        VARCHAR(255) NOT NULL,
  persacontacter VARCHAR(255) NOT NULL,
  telephone      VARCHAR(255) NOT NULL,
  coutpolice     INT NULL,
  prime          INT NULL,
  taxe           INT NULL,
  fga            INT NULL,
  pca            INT NULL,
  primetotal     INT NULL,
  genre          VARCHAR(255) NOT NULL,             -- 14
  marque         VARCHAR(255) NOT NULL,             -- 15
  `type`         VARCHAR(255) NOT NULL,
  immat          VARCHAR(255) NOT NULL,
  police         VARCHAR(255) NOT NULL,             -- 18
  attestation    VARCHAR(255) NOT NULL,             -- 19
  valable        DATE NULL,                         -- 20
  valabl         DATE NULL,                         -- 21
  valableau      VARCHAR(16)  NOT NULL,
  valablea       VARCHAR(16)  NOT NULL,
  nbrdemois      VARCHAR(8)   NOT NULL,             -- 24
  energie        VARCHAR(64)  NOT NULL,
  forcefiscal    VARCHAR(8)   NOT NULL,
  categorie      VARCHAR(128) NOT NULL,
  tranchef       VARCHAR(64)  NOT NULL,
  nbrdeplace     VARCHAR(255) NOT NULL,
  sommencais     INT NULL,
  sommefact      INT NULL,                          -- 31
  currentd       DATE NULL,
  cmois          VARCHAR(2)   NOT NULL,
  cannee         VARCHAR(4)   NOT NULL,
  padres         VARCHAR(255) NULL,
  trie           INT NOT NULL DEFAULT 1,
  -- When the server recorded the sale, by its own clock: no statement of the
  -- program names it and the counters' role may not insert it (grants.sql),
  -- so a sale back-dated at the counter still shows the day it was made.
  enregistre_le  TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (idhistorique),
  KEY principal1_agent_plate (idpersonne, immat),
  KEY principal1_agent_policy (idpersonne, police),
  -- The cash-desk report reads twelve columns of the agent's rows of a
  -- period through this index. Four are VARCHAR(255) in utf8mb4, 1 020 bytes
  -- each: no index can carry them all under InnoDB's 3 072-byte key limit,
  -- so the rows themselves are read.
  KEY principal1_agent_start (idpersonne, currentd)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Client register: one row per guarantee package sold.
CREATE TABLE IF NOT EXISTS clients (
  idclient    INT NOT NULL AUTO_INCREMENT,
  idvendeur   VARCHAR(32)  NOT NULL,
  nom         VARCHAR(255) NOT NULL,
  effet       DATE NULL,
  expiration  DATE NULL,
  garanti     VARCHAR(32)  NOT NULL,
  attestation VARCHAR(255) NOT NULL,
  police      VARCHAR(255) NOT NULL,
  genre       VARCHAR(255) NOT NULL,
  marque      VARCHAR(255) NOT NULL,
  `type`      VARCHAR(255) NOT NULL,
  immat       VARCHAR(255) NOT NULL,
  adresse     VARCHAR(255) NOT NULL,
  PRIMARY KEY (idclient),
  KEY clients_agent (idvendeur)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE IF NOT EXISTS parametres (
  id          INT NOT NULL,
  difcomm     INT NULL,
  pourcentage INT NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Tariff tables: one row per fiscal power bracket. Positions 1 to 5 are the
-- amounts (net premium, tax, FGA, PCA, policy cost).
CREATE TABLE IF NOT EXISTS categorie1 (
  repere     VARCHAR(2)  NOT NULL,
  primenette INT NOT NULL, taxe INT NOT NULL, fga INT NOT NULL, pca INT NOT NULL,
  coutpolice INT NOT NULL,
  categorie  VARCHAR(64) NOT NULL,
  PRIMARY KEY (repere)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
CREATE TABLE IF NOT EXISTS categorie2 LIKE categorie1;
CREATE TABLE IF NOT EXISTS categorie3 LIKE categorie1;
CREATE TABLE IF NOT EXISTS categorie4 LIKE categorie1;
CREATE TABLE IF NOT EXISTS categorie6 LIKE categorie1;
CREATE TABLE IF NOT EXISTS categorie7 LIKE categorie1;
-- Two- and three-wheelers are keyed by their sub-type.
CREATE TABLE IF NOT EXISTS categorie5 (
  repere     VARCHAR(2)  NOT NULL,
  primenette INT NOT NULL, taxe INT NOT NULL, fga INT NOT NULL, pca INT NOT NULL,
  coutpolice INT NOT NULL,
  categorie  VARCHAR(64) NOT NULL,
  PRIMARY KEY (repere),
  KEY categorie5_key (categorie)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
