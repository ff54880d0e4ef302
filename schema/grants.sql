-- The role of the counters' accounts: exactly what the program's statements
-- need in "assurebdd", nothing else. A counter account that holds only this
-- role can neither delete nor rewrite history, agents or tariffs, even with
-- the mariadb client and the password in hand. Run it as an administrator
-- after schema.sql and upgrade.sql (the column grants name columns that must
-- exist); it is safe to run again, and a run brings a role granted more by
-- an earlier version back to this list. MariaDB 10.5+ and MySQL 8.
--
-- Then, per counter (or per agency), an account of its own:
--   CREATE USER 'guichet1'@'%' IDENTIFIED BY '...';
--   GRANT koravel_counter TO 'guichet1'@'%';
--   SET DEFAULT ROLE koravel_counter FOR 'guichet1'@'%';  -- MariaDB
--   SET DEFAULT ROLE koravel_counter TO 'guichet1'@'%';   -- MySQL 8

CREATE ROLE IF NOT EXISTS koravel_counter;
REVOKE ALL PRIVILEGES, GRANT OPTION FROM koravel_counter;

-- The login: select * from personnes where user=... and password=...
GRANT SELECT ON assurebdd.personnes TO koravel_counter;

-- Read by the login's counters and expiring list, the search box, the
-- agent's three lists, the form load, the policy card, the stored plate and
-- policy of a key (the QR code, the reprint, the overwrite guard), the
-- client statistics and the cash desk's six totals; the renewal's update
-- reads id and trie.
GRANT SELECT ON assurebdd.principal TO koravel_counter;
-- The first issue: insert into principal(idpersonne,...,padres,trie).
-- Column by column, without id: a policy inserted under the largest id
-- there is would leave the counter nowhere to go, and every later insert
-- would fail.
GRANT INSERT (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
              coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat,
              police, attestation, valable, valabl, valableau, valablea, nbrdemois, energie,
              forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact, currentd,
              cmois, cannee, padres, trie)
  ON assurebdd.principal TO koravel_counter;
-- The renewal: update principal set idpersonne=...,trie=(trie+1) where id=...
-- It writes these columns and no other (not id, padres or the reserves).
GRANT UPDATE (idpersonne, users, `password`, nom, attestation, adresse, persacontacter,
              telephone, coutpolice, prime, taxe, fga, pca, primetotal, genre, marque,
              `type`, immat, police, valable, valabl, valableau, valablea, nbrdemois,
              energie, forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact,
              currentd, cmois, cannee, trie)
  ON assurebdd.principal TO koravel_counter;

-- Read by the policy numbers of a plate, one issue's stub details, the
-- sales list and the cash-desk details.
GRANT SELECT ON assurebdd.principal1 TO koravel_counter;
-- The history row of each save: insert into principal1(idpersonne,...,padres).
-- Column by column, so that enregistre_le stays the server's own clock and
-- no counter can back-date a sale by naming it.
GRANT INSERT (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
              coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat,
              police, attestation, valable, valabl, valableau, valablea, nbrdemois, energie,
              forcefiscal, categorie, tranchef, nbrdeplace, sommencais, sommefact, currentd,
              cmois, cannee, padres)
  ON assurebdd.principal1 TO koravel_counter;

-- One row per guarantee package at each save: insert into clients(idvendeur,
-- ...,adresse). The program never reads the register back. Without idclient,
-- for the same reason as principal's id.
GRANT INSERT (idvendeur, nom, effet, expiration, garanti, attestation, police, genre, marque,
              `type`, immat, adresse)
  ON assurebdd.clients TO koravel_counter;

-- The commission: select difcomm / pourcentage from parametres where id=...
GRANT SELECT ON assurebdd.parametres TO koravel_counter;

-- The premium: the bracket labels (select categorie from categorieN), the
-- label of one bracket and its tariff row (select * from categorieN where ...).
GRANT SELECT ON assurebdd.categorie1 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie2 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie3 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie4 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie5 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie6 TO koravel_counter;
GRANT SELECT ON assurebdd.categorie7 TO koravel_counter;
