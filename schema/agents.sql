-- Agents as accounts of the server: each agent logs in to MariaDB with his
-- own name and password (those of his row in personnes), and the server
-- itself holds him to his own sales. What it gives:
--
--   - the role koravel_agent: what the program's statements need, no more;
--   - principal1.enregistre_par: the account that wrote each history row;
--   - the table journal: one row for every write to principal, whoever made
--     it, and one row for every history row written by an agent;
--   - triggers that apply to agents' sessions only (administrators and the
--     counters' shared accounts of grants.sql are not held by them): a
--     history row, a policy and a client-register row in the agent's own
--     name only, and no policy written (created, renewed, moved, re-priced,
--     re-dated) but as the copy of the history row that the session wrote
--     by the statement just before it, in the same transaction;
--   - the procedure koravel_add_agent, which makes an agent's account.
--
-- Run it as an administrator, in the database assurebdd, after schema.sql,
-- grants.sql and upgrade.sql (MariaDB 10.5+: roles, column grants, system
-- versioning), on a single server or on one node of a Galera cluster (the
-- others receive it):
--   mariadb -uroot assurebdd < agents.sql
-- It is safe to run again: it brings the role back to the list below and
-- replaces the triggers and routines. The triggers and routines run with the
-- rights of the account that runs it (their definer), which must be able to
-- read mysql.roles_mapping; keep that account. A server that keeps a binary
-- log needs binlog_format=ROW: in the MIXED and STATEMENT formats the
-- triggers' reads take shared locks, and agents saving at the same moment
-- wait for each other's commit.
--
-- Then, per agent (his personnes row must exist):
--   CALL koravel_add_agent('fdiop', 'mot-de-passe');
-- which creates 'fdiop'@'%' with that password (or gives an existing agent
-- account that password), grants and sets koravel_agent as its default
-- role, and blanks the agent's password in personnes, principal and
-- principal1: from then on the server checks it, and no table holds it.

SET NAMES utf8mb4;

-- The account that wrote a history row, as USER() names it (login name and
-- client address). Filled by the server (koravel_history_insert below);
-- neither role may insert it. Rows older than this column keep NULL.
ALTER TABLE principal1 ADD COLUMN IF NOT EXISTS enregistre_par VARCHAR(384) NULL;

-- Every write to principal (action 'insert', 'update', 'delete'), and every
-- history row written by an agent (action 'vente', id_historique set,
-- id_police NULL). Written by the triggers alone: no role has any right on
-- it, so only an administrator may change it, and the table keeps the
-- former version of every row he changes or deletes (SELECT ... FOR
-- SYSTEM_TIME ALL). quand is the server's clock (SYSDATE(), which SET
-- timestamp does not move). An agent's policy write names in id_historique
-- the sale it copies.
--
-- Where each row was written: connexion is the session's CONNECTION_ID() on
-- the server noeud. A sale's row also holds instruction, the number of the
-- statement that wrote it among those the session has sent (the server's
-- session counter Questions, which only a new statement from the client
-- moves), when it was written inside a transaction: the policy write must be
-- that session's next statement, so no COMMIT came between the two. Every
-- column of the table is plain data replicated row by row: a Galera cluster
-- applies it on each node as written (the transaction ids of InnoDB, which a
-- former version of this table held, differ from node to node and were
-- logged as statements that the other nodes could not replay).
CREATE TABLE IF NOT EXISTS journal (
  id              BIGINT NOT NULL AUTO_INCREMENT,
  quand           DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
  compte          VARCHAR(384) NOT NULL,
  id_police       INT NULL,
  ancien_agent    VARCHAR(32) NULL,
  nouvel_agent    VARCHAR(32) NULL,
  action          VARCHAR(16) NOT NULL,
  id_historique   INT NULL,
  connexion       BIGINT UNSIGNED NULL,
  instruction     BIGINT UNSIGNED NULL,
  noeud           VARCHAR(255) NULL,
  PRIMARY KEY (id),
  KEY journal_police (id_police),
  KEY journal_historique (id_historique),
  KEY journal_instruction (connexion, instruction)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci WITH SYSTEM VERSIONING;

-- A journal of the former version, versioned by transaction, becomes the
-- one above. Its rows stay; the former versions of rows that an
-- administrator changed are dropped with that versioning.
SET @koravel_journal = IF(EXISTS (SELECT 1 FROM information_schema.COLUMNS
                                   WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'journal'
                                     AND COLUMN_NAME = 'id_transaction'),
  'SET STATEMENT system_versioning_alter_history = KEEP FOR ALTER TABLE journal
     DROP SYSTEM VERSIONING, DROP COLUMN id_transaction, DROP COLUMN fin_transaction',
  'DO 0');
PREPARE koravel_journal FROM @koravel_journal;
EXECUTE koravel_journal;
SET @koravel_journal = IF(EXISTS (SELECT 1 FROM information_schema.TABLES
                                   WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'journal'
                                     AND TABLE_TYPE = 'SYSTEM VERSIONED'),
  'DO 0',
  'ALTER TABLE journal ADD COLUMN IF NOT EXISTS connexion BIGINT UNSIGNED NULL,
     ADD COLUMN IF NOT EXISTS instruction BIGINT UNSIGNED NULL,
     ADD COLUMN IF NOT EXISTS noeud VARCHAR(255) NULL,
     ADD KEY IF NOT EXISTS journal_historique (id_historique),
     ADD KEY IF NOT EXISTS journal_instruction (connexion, instruction),
     ADD SYSTEM VERSIONING');
PREPARE koravel_journal FROM @koravel_journal;
EXECUTE koravel_journal;
DEALLOCATE PREPARE koravel_journal;
SET @koravel_journal = NULL;

CREATE ROLE IF NOT EXISTS koravel_agent;
REVOKE ALL PRIVILEGES, GRANT OPTION FROM koravel_agent;

-- The login: select * from personnes where user=... and password=...
-- The whole table, password included: the program reads the row by
-- position, and a grant that left the column out would make "select *"
-- fail. The column reveals nothing: koravel_add_agent blanks the agent's
-- password there, and every agent of an agency that runs with these
-- accounts has gone through it.
GRANT SELECT ON assurebdd.personnes TO koravel_agent;

-- Read by the login's counters and expiring list, the search box, the
-- agent's lists, the form load, the policy card, the stored plate and
-- policy of a key, the client statistics and the cash desk's totals; the
-- renewal's update reads id and trie. The policies' passwords are blanked
-- like those of personnes, and an agent's session writes none (below).
GRANT SELECT ON assurebdd.principal TO koravel_agent;
-- The first issue: insert into principal(idpersonne,...,padres,trie).
-- Column by column: no agent names id, so none can push the counter to its
-- end and stop every later insert.
GRANT INSERT (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
              coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat,
              police, attestation, valable, valabl, valableau, valablea, nbrdemois, energie,
              forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact, currentd,
              cmois, cannee, padres, trie)
  ON assurebdd.principal TO koravel_agent;
-- The renewal: update principal set idpersonne=...,trie=(trie+1) where id=...
GRANT UPDATE (idpersonne, users, `password`, nom, attestation, adresse, persacontacter,
              telephone, coutpolice, prime, taxe, fga, pca, primetotal, genre, marque,
              `type`, immat, police, valable, valabl, valableau, valablea, nbrdemois,
              energie, forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact,
              currentd, cmois, cannee, trie)
  ON assurebdd.principal TO koravel_agent;

-- The policy numbers of a plate, one issue's stub details, the sales list
-- and the cash-desk details.
GRANT SELECT ON assurebdd.principal1 TO koravel_agent;
-- The history row of each save: insert into principal1(idpersonne,...,padres).
-- Not idhistorique, enregistre_le or enregistre_par: the server's.
GRANT INSERT (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
              coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat,
              police, attestation, valable, valabl, valableau, valablea, nbrdemois, energie,
              forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact, currentd,
              cmois, cannee, padres)
  ON assurebdd.principal1 TO koravel_agent;

-- One row per guarantee package at each save: insert into clients(idvendeur,
-- ...,adresse). Not idclient.
GRANT INSERT (idvendeur, nom, effet, expiration, garanti, attestation, police, genre, marque,
              `type`, immat, adresse)
  ON assurebdd.clients TO koravel_agent;

-- The commission: select difcomm / pourcentage from parametres where id=...
GRANT SELECT ON assurebdd.parametres TO koravel_agent;

-- The premium: the bracket labels, the label of one bracket and its tariff
-- row (select categorie / select * from categorieN ...).
GRANT SELECT ON assurebdd.categorie1 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie2 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie3 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie4 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie5 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie6 TO koravel_agent;
GRANT SELECT ON assurebdd.categorie7 TO koravel_agent;

DROP FUNCTION IF EXISTS koravel_session_agent;
DROP FUNCTION IF EXISTS koravel_session_counter;
DROP FUNCTION IF EXISTS koravel_statement_number;
DROP FUNCTION IF EXISTS koravel_node;
DROP PROCEDURE IF EXISTS koravel_check_own_name;
DROP PROCEDURE IF EXISTS koravel_check_sale;
DROP PROCEDURE IF EXISTS koravel_add_agent;

DELIMITER //

-- The routines read with SELECT ... INTO: inside a trigger that is a
-- consistent read, which takes no lock (binary log off or in ROW format). A
-- subquery in SET, DEFAULT or IF would read with shared locks, and two
-- agents saving at the same moment would wait on, or deadlock with, each
-- other's rows.

-- The login name of the session as bytes (as personnes.user holds it) when
-- its account is an agent's, else NULL. Inside a trigger CURRENT_USER() is
-- the definer; USER() is the session's own login, which no statement of the
-- session can change. An agent is a name that holds koravel_agent granted
-- plainly: the account that created the role holds it WITH ADMIN OPTION and
-- is no agent, so never grant the role that way to an agent. The name alone
-- is looked up, whatever the account's host part: any account of an agent's
-- name is held to the agent's rules.
CREATE FUNCTION koravel_session_agent() RETURNS VARBINARY(512)
  NOT DETERMINISTIC READS SQL DATA
BEGIN
  DECLARE login VARCHAR(512) CHARACTER SET utf8mb4 DEFAULT USER();
  -- A login name may hold '@'; a host never does.
  DECLARE name VARCHAR(512) CHARACTER SET utf8mb4 DEFAULT
    LEFT(login, CHAR_LENGTH(login) - CHAR_LENGTH(SUBSTRING_INDEX(login, '@', -1)) - 1);
  DECLARE grants INT;
  SELECT COUNT(*) INTO grants FROM mysql.roles_mapping
   WHERE `User` = name AND `Role` = 'koravel_agent' AND Admin_option = 'N';
  RETURN IF(grants > 0, CONVERT(name USING binary), NULL);
END //

-- True when the session's account is a counter's: it holds koravel_counter
-- plainly, as koravel_session_agent() tells an agent's.
CREATE FUNCTION koravel_session_counter() RETURNS BOOLEAN
  NOT DETERMINISTIC READS SQL DATA
BEGIN
  DECLARE login VARCHAR(512) CHARACTER SET utf8mb4 DEFAULT USER();
  DECLARE name VARCHAR(512) CHARACTER SET utf8mb4 DEFAULT
    LEFT(login, CHAR_LENGTH(login) - CHAR_LENGTH(SUBSTRING_INDEX(login, '@', -1)) - 1);
  DECLARE grants INT;
  SELECT COUNT(*) INTO grants FROM mysql.roles_mapping
   WHERE `User` = name AND `Role` = 'koravel_counter' AND Admin_option = 'N';
  RETURN grants > 0;
END //

-- Refuses a row whose agent id (and login, when given) is not the session
-- agent's: his personnes row, compared byte for byte so that ' 12' or
-- '012' is not 12.
CREATE PROCEDURE koravel_check_own_name(IN agent VARBINARY(512), IN agent_id VARCHAR(32),
                                        IN agent_login VARBINARY(64), IN refusal VARCHAR(128))
  READS SQL DATA
BEGIN
  DECLARE rows_found INT;
  SELECT COUNT(*) INTO rows_found FROM personnes
   WHERE `user` = agent AND CAST(CAST(id AS CHAR) AS BINARY) <=> CAST(agent_id AS BINARY);
  IF rows_found = 0 OR (agent_login IS NOT NULL AND NOT agent_login <=> agent) THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = refusal;
  END IF;
END //

-- The number of the statement the session is running among those its
-- client has sent: the server counts them (status Questions), and no
-- statement of the session can set the count.
CREATE FUNCTION koravel_statement_number() RETURNS BIGINT UNSIGNED
  NOT DETERMINISTIC READS SQL DATA
BEGIN
  DECLARE number BIGINT UNSIGNED;
  SELECT VARIABLE_VALUE INTO number FROM information_schema.SESSION_STATUS
   WHERE VARIABLE_NAME = 'QUESTIONS';
  RETURN number;
END //

-- The server the session runs on: a connection's id is unique on one server
-- only, and the nodes of a cluster share the journal.
CREATE FUNCTION koravel_node() RETURNS VARCHAR(255)
  NOT DETERMINISTIC NO SQL
  RETURN CONCAT(@@hostname, ':', @@port, ' ', @@wsrep_node_address) //

-- An agent's write to principal (the policy row policy) must copy the
-- history row that the same session wrote by its previous statement, inside
-- a transaction: same agent, plate, policy number, amounts, dates and every
-- other column that the renewal writes, and a history row serves one policy
-- write only (the journal rows after its note). The history trigger noted each sale ('vente') with its
-- session and statement number. A history row committed earlier (the
-- COMMIT was a statement in between), written outside a transaction, rolled
-- back, or written by another session is never found: the write is refused,
-- which undoes the statement. sale: the history row copied. FOR SYSTEM_TIME
-- ALL: the session may have set system_versioning_asof, which would
-- otherwise hide the current rows.
CREATE PROCEDURE koravel_check_sale(IN policy INT, OUT sale INT)
  READS SQL DATA
BEGIN
  DECLARE session BIGINT UNSIGNED DEFAULT CONNECTION_ID();
  DECLARE previous BIGINT UNSIGNED DEFAULT koravel_statement_number() - 1;
  DECLARE node VARCHAR(255) DEFAULT koravel_node();
  DECLARE CONTINUE HANDLER FOR NOT FOUND SET sale = NULL;
  SET sale = NULL;
  SELECT STRAIGHT_JOIN s.idhistorique INTO sale
    FROM principal AS p
    JOIN journal FOR SYSTEM_TIME ALL AS noted
    JOIN principal1 AS s ON s.idhistorique = noted.id_historique
   WHERE p.id = policy AND noted.connexion = session AND noted.instruction = previous
     AND noted.noeud = node AND noted.action = 'vente'
     AND NOT EXISTS (SELECT 1 FROM journal FOR SYSTEM_TIME ALL AS used
                      WHERE used.id_historique = noted.id_historique
                        AND used.id > noted.id AND used.action <> 'vente')
     AND BINARY s.idpersonne <=> BINARY p.idpersonne AND s.users <=> p.users
     AND s.`password` <=> p.`password` AND BINARY s.nom <=> BINARY p.nom
     AND BINARY s.attestation <=> BINARY p.attestation
     AND BINARY s.adresse <=> BINARY p.adresse
     AND BINARY s.persacontacter <=> BINARY p.persacontacter
     AND BINARY s.telephone <=> BINARY p.telephone
     AND s.coutpolice <=> p.coutpolice AND s.prime <=> p.prime AND s.taxe <=> p.taxe
     AND s.fga <=> p.fga AND s.pca <=> p.pca AND s.primetotal <=> p.primetotal
     AND BINARY s.genre <=> BINARY p.genre AND BINARY s.marque <=> BINARY p.marque
     AND BINARY s.`type` <=> BINARY p.`type` AND BINARY s.immat <=> BINARY p.immat
     AND BINARY s.police <=> BINARY p.police
     AND s.valable <=> p.valable AND s.valabl <=> p.valabl
     AND BINARY s.valableau <=> BINARY p.valableau
     AND BINARY s.valablea <=> BINARY p.valablea
     AND BINARY s.nbrdemois <=> BINARY p.nbrdemois
     AND BINARY s.energie <=> BINARY p.energie
     AND BINARY s.forcefiscal <=> BINARY p.forcefiscal
     AND BINARY s.categorie <=> BINARY p.categorie
     AND BINARY s.tranchef <=> BINARY p.tranchef
     AND BINARY s.nbrdeplace <=> BINARY p.nbrdeplace
     AND s.sommencais <=> p.sommencais AND s.sommefact <=> p.sommefact
     AND s.currentd <=> p.currentd AND BINARY s.cmois <=> BINARY p.cmois
     AND BINARY s.cannee <=> BINARY p.cannee
   ORDER BY noted.id
   LIMIT 1;
  IF sale IS NULL THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT =
      'Refusé par le serveur : cette police ne reprend aucune vente enregistrée dans le même enregistrement.';
  END IF;
END //

-- An agent's account, for an agent whose personnes row exists: created with
-- the password (or, when it is already an agent's account, given it), the
-- role koravel_agent as its default role, at most 4 connections at once;
-- then the agent's password is blanked in personnes, principal and
-- principal1. It runs with the caller's rights: only an administrator who
-- may create accounts and grant the role can use it.
CREATE PROCEDURE koravel_add_agent(IN p_user VARCHAR(64), IN p_password VARCHAR(255))
  SQL SECURITY INVOKER
  MODIFIES SQL DATA
BEGIN
  DECLARE login VARBINARY(256) DEFAULT CONVERT(p_user USING binary);
  DECLARE account TEXT DEFAULT CONCAT(QUOTE(p_user), '@''%''');
  DECLARE change_account TEXT;
  IF p_user IS NULL OR p_user = '' OR p_password IS NULL OR p_password = '' THEN
    SIGNAL SQLSTATE '45000'
      SET MESSAGE_TEXT = 'koravel_add_agent : le nom et le mot de passe ne peuvent être vides.';
  END IF;
  IF (SELECT COUNT(*) FROM personnes WHERE `user` = login) <> 1 THEN
    SIGNAL SQLSTATE '45000'
      SET MESSAGE_TEXT = 'koravel_add_agent : il faut exactement une ligne de personnes à ce nom.';
  END IF;
  -- An account of that name that is not an agent's (an administrator's, a
  -- counter's) is left alone.
  IF EXISTS (SELECT 1 FROM mysql.global_priv WHERE `User` = p_user AND `Host` = '%')
     AND NOT EXISTS (SELECT 1 FROM mysql.roles_mapping
                     WHERE `User` = p_user AND `Host` = '%' AND `Role` = 'koravel_agent'
                       AND Admin_option = 'N') THEN
    SIGNAL SQLSTATE '45000'
      SET MESSAGE_TEXT = 'koravel_add_agent : ce compte existe déjà et n''est pas celui d''un agent.';
  END IF;

  -- QUOTE() escapes quotes and backslashes: no name or password can end its
  -- literal.
  SET change_account = CONCAT('CREATE USER IF NOT EXISTS ', account, ' IDENTIFIED BY ',
                              QUOTE(p_password));
  PREPARE koravel_account FROM change_account;
  EXECUTE koravel_account;
  SET change_account = CONCAT('ALTER USER ', account, ' IDENTIFIED BY ', QUOTE(p_password),
                              ' WITH MAX_USER_CONNECTIONS 4');
  PREPARE koravel_account FROM change_account;
  EXECUTE koravel_account;
  SET change_account = CONCAT('GRANT koravel_agent TO ', account);
  PREPARE koravel_account FROM change_account;
  EXECUTE koravel_account;
  SET change_account = CONCAT('SET DEFAULT ROLE koravel_agent FOR ', account);
  PREPARE koravel_account FROM change_account;
  EXECUTE koravel_account;
  DEALLOCATE PREPARE koravel_account;

  UPDATE personnes SET `password` = '' WHERE `user` = login;
  UPDATE principal SET `password` = '' WHERE users = login AND `password` <> '';
  UPDATE principal1 SET `password` = '' WHERE users = login AND `password` <> '';
END //

DELIMITER ;

DROP TRIGGER IF EXISTS koravel_history_insert;
DROP TRIGGER IF EXISTS koravel_history_inserted;
DROP TRIGGER IF EXISTS koravel_policy_insert;
DROP TRIGGER IF EXISTS koravel_policy_inserted;
DROP TRIGGER IF EXISTS koravel_policy_update;
DROP TRIGGER IF EXISTS koravel_policy_updated;
DROP TRIGGER IF EXISTS koravel_policy_deleted;
DROP TRIGGER IF EXISTS koravel_client_insert;

DELIMITER //

-- Every history row gets the account that wrote it (an administrator's
-- reloading rows may name it). An agent's must be in his own name, its
-- time is the server's real clock (an agent's SET timestamp would move
-- CURRENT_TIMESTAMP) and it holds no password.
CREATE TRIGGER koravel_history_insert BEFORE INSERT ON principal1 FOR EACH ROW
BEGIN
  DECLARE agent VARBINARY(512) DEFAULT koravel_session_agent();
  IF agent IS NULL THEN
    IF NEW.enregistre_par IS NULL THEN
      SET NEW.enregistre_par = USER();
    END IF;
    -- A counter's session can SET timestamp too, which would back-date the
    -- sale that its role may not date itself.
    IF koravel_session_counter() THEN
      SET NEW.enregistre_le = SYSDATE();
    END IF;
  ELSE
    CALL koravel_check_own_name(agent, NEW.idpersonne, NEW.users,
      'Refusé par le serveur : l''historique doit être au nom de l''agent connecté.');
    SET NEW.enregistre_par = USER(), NEW.enregistre_le = SYSDATE(), NEW.`password` = '';
  END IF;
END //

-- An agent's history row notes its sale in the journal, with its session
-- and, inside a transaction, its statement's number: the policy write that
-- follows looks for it there.
CREATE TRIGGER koravel_history_inserted AFTER INSERT ON principal1 FOR EACH ROW
BEGIN
  IF koravel_session_agent() IS NOT NULL THEN
    INSERT INTO journal (quand, compte, nouvel_agent, action, id_historique, connexion,
                         instruction, noeud)
    VALUES (SYSDATE(), USER(), NEW.idpersonne, 'vente', NEW.idhistorique, CONNECTION_ID(),
            IF(@@in_transaction, koravel_statement_number(), NULL), koravel_node());
  END IF;
END //

-- An agent's policy is in his own name (a renewal too: the renewed policy
-- becomes his) and holds no password.
CREATE TRIGGER koravel_policy_insert BEFORE INSERT ON principal FOR EACH ROW
BEGIN
  DECLARE agent VARBINARY(512) DEFAULT koravel_session_agent();
  IF agent IS NOT NULL THEN
    CALL koravel_check_own_name(agent, NEW.idpersonne, NEW.users,
      'Refusé par le serveur : la police doit être au nom de l''agent connecté.');
    SET NEW.`password` = '';
  END IF;
END //

CREATE TRIGGER koravel_policy_update BEFORE UPDATE ON principal FOR EACH ROW
BEGIN
  DECLARE agent VARBINARY(512) DEFAULT koravel_session_agent();
  IF agent IS NOT NULL THEN
    CALL koravel_check_own_name(agent, NEW.idpersonne, NEW.users,
      'Refusé par le serveur : la police doit être au nom de l''agent connecté.');
    SET NEW.`password` = '';
  END IF;
END //

CREATE TRIGGER koravel_policy_inserted AFTER INSERT ON principal FOR EACH ROW
BEGIN
  DECLARE sale INT DEFAULT NULL;
  IF koravel_session_agent() IS NOT NULL THEN
    CALL koravel_check_sale(NEW.id, sale);
  END IF;
  INSERT INTO journal (quand, compte, id_police, ancien_agent, nouvel_agent, action,
                       id_historique, connexion, noeud)
  VALUES (SYSDATE(), USER(), NEW.id, NULL, NEW.idpersonne, 'insert', sale, CONNECTION_ID(),
          koravel_node());
END //

CREATE TRIGGER koravel_policy_updated AFTER UPDATE ON principal FOR EACH ROW
BEGIN
  DECLARE sale INT DEFAULT NULL;
  IF koravel_session_agent() IS NOT NULL THEN
    CALL koravel_check_sale(NEW.id, sale);
  END IF;
  INSERT INTO journal (quand, compte, id_police, ancien_agent, nouvel_agent, action,
                       id_historique, connexion, noeud)
  VALUES (SYSDATE(), USER(), NEW.id, OLD.idpersonne, NEW.idpersonne, 'update', sale, CONNECTION_ID(),
          koravel_node());
END //

-- Agents and counters may not delete; an administrator's deletion is kept.
CREATE TRIGGER koravel_policy_deleted AFTER DELETE ON principal FOR EACH ROW
BEGIN
  INSERT INTO journal (quand, compte, id_police, ancien_agent, nouvel_agent, action,
                       connexion, noeud)
  VALUES (SYSDATE(), USER(), OLD.id, OLD.idpersonne, NULL, 'delete', CONNECTION_ID(),
          koravel_node());
END //

-- An agent's client-register rows are his own sales.
CREATE TRIGGER koravel_client_insert BEFORE INSERT ON clients FOR EACH ROW
BEGIN
  DECLARE agent VARBINARY(512) DEFAULT koravel_session_agent();
  IF agent IS NOT NULL THEN
    CALL koravel_check_own_name(agent, NEW.idvendeur, NULL,
      'Refusé par le serveur : le registre des clients doit être au nom de l''agent connecté.');
  END IF;
END //

DELIMITER ;
