-- Brings a database made by an earlier version of schema.sql to the current
-- one; run it after schema.sql, as an account that may create routines. It
-- changes only what is still old, so it is safe to run again (MariaDB 10.5+,
-- MySQL 8).
--
-- Login names and passwords used to be utf8mb4 text with a MariaDB-only
-- collation; they become the same UTF-8 bytes in VARBINARY columns at the same
-- positions. A name or password longer than 64 bytes (64 letters without
-- accents, fewer with) stops the change with "Data too long": shorten it
-- first.

SET NAMES utf8mb4;

DROP PROCEDURE IF EXISTS koravel_binary_credentials;
DELIMITER //
CREATE PROCEDURE koravel_binary_credentials(IN tableName VARCHAR(64), IN userColumn VARCHAR(64))
BEGIN
  IF (SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()
        AND TABLE_NAME = tableName AND COLUMN_NAME = userColumn) <> 'varbinary' THEN
    SET @change = CONCAT('ALTER TABLE `', tableName, '` MODIFY `', userColumn,
                         '` VARBINARY(64) NOT NULL, MODIFY `password` VARBINARY(64) NOT NULL');
    PREPARE change_credentials FROM @change;
    EXECUTE change_credentials;
    DEALLOCATE PREPARE change_credentials;
  END IF;
END //
DELIMITER ;

CALL koravel_binary_credentials('personnes', 'user');
CALL koravel_binary_credentials('principal', 'users');
CALL koravel_binary_credentials('principal1', 'users');
DROP PROCEDURE koravel_binary_credentials;

-- The issue history gains the server's own time of each save. MySQL 8 has no
-- ADD COLUMN IF NOT EXISTS, hence the procedure. The rows already there take
-- the time of this change: they say nothing about when they were made.
DROP PROCEDURE IF EXISTS koravel_recorded_at;
DELIMITER //
CREATE PROCEDURE koravel_recorded_at()
BEGIN
  IF NOT EXISTS (SELECT 1 FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()
                   AND TABLE_NAME = 'principal1' AND COLUMN_NAME = 'enregistre_le') THEN
    ALTER TABLE principal1
      ADD COLUMN enregistre_le TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP;
  END IF;
END //
DELIMITER ;

CALL koravel_recorded_at();
DROP PROCEDURE koravel_recorded_at;

-- Three indexes of principal carry the columns their statements read (the
-- login's total, the search and the agent's lists, the cash-desk totals), so
-- that those are answered from the index alone instead of one row read per
-- policy of the agent. A database made before keeps the narrower indexes of
-- the same names: each one that does not list exactly these columns is built
-- again (about 15 s for a million policies).
DROP PROCEDURE IF EXISTS koravel_covering_index;
DELIMITER //
CREATE PROCEDURE koravel_covering_index(IN indexName VARCHAR(64), IN wanted VARCHAR(255))
BEGIN
  DECLARE present TEXT;
  SELECT GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX SEPARATOR ',') INTO present
    FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = DATABASE()
      AND TABLE_NAME = 'principal' AND INDEX_NAME = indexName;
  IF present IS NULL OR present <> wanted THEN
    SET @change = CONCAT('ALTER TABLE principal ',
                         IF(present IS NULL, '', CONCAT('DROP INDEX `', indexName, '`, ')),
                         'ADD INDEX `', indexName, '` (`', REPLACE(wanted, ',', '`,`'), '`)');
    PREPARE change_index FROM @change;
    EXECUTE change_index;
    DEALLOCATE PREPARE change_index;
  END IF;
END //
DELIMITER ;

CALL koravel_covering_index('principal_agent_plate', 'idpersonne,immat,nom,valabl,valable');
CALL koravel_covering_index('principal_agent_start',
                            'idpersonne,currentd,prime,coutpolice,taxe,fga,pca,primetotal');
CALL koravel_covering_index('principal_login_expiry', 'users,password,valabl,idpersonne');
DROP PROCEDURE koravel_covering_index;
