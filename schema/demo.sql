-- Demo agents and a few policies around today's date, for trying the program.
SET NAMES utf8mb4;

INSERT INTO personnes (id, `user`, `password`, nom, telephone, email, adresse)
SELECT 1, 'demo', 'demo123', 'Awa DIALLO', '+221 77 000 00 01', 'awa.diallo@exemple.sn',
       'Avenue Bourguiba, Dakar'
FROM DUAL WHERE NOT EXISTS (SELECT 1 FROM personnes WHERE id = 1);
INSERT INTO personnes (id, `user`, `password`, nom, telephone, email, adresse)
SELECT 2, 'caisse2', 'caisse2', 'Moussa NDIAYE', '+221 77 000 00 02', 'moussa.ndiaye@exemple.sn',
       'Rue 10, Thiès'
FROM DUAL WHERE NOT EXISTS (SELECT 1 FROM personnes WHERE id = 2);

INSERT INTO principal (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
  coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat, police,
  attestation, valable, valabl, valableau, valablea, nbrdemois, energie, forcefiscal, categorie,
  tranchef, nbrdeplace, sommencais, sommefact, currentd, cmois, cannee, padres, trie)
SELECT '1', 'demo', 'demo123', d.nom, 'Dakar', '', '77 123 45 67', 3000, 53628, 5487, 1300, 395,
  63415, 'V.P', d.marque, d.modele, d.immat, d.police, d.talon,
  CURDATE() - INTERVAL 12 MONTH + INTERVAL d.decalage DAY,
  CURDATE() + INTERVAL d.decalage DAY - INTERVAL 1 DAY, '08:00', '23:59', '12', 'essence', '9',
  'CATEGORIE 1 : Véhicules à carrosserie de tourisme', '7a10', '5', 63415, 63415,
  CURDATE() - INTERVAL 12 MONTH + INTERVAL d.decalage DAY,
  MONTH(CURDATE()), YEAR(CURDATE()), '', 1
FROM (SELECT 'Fatou SOW' AS nom, 'TOYOTA' AS marque, 'COROLLA' AS modele, 'DK-1234-AB' AS immat,
             'P-2025-0001' AS police, 'T-000101' AS talon, 1 AS decalage
      UNION ALL SELECT 'Ibrahima FALL', 'PEUGEOT', '308', 'DK-5678-CD', 'P-2025-0002', 'T-000102', 3
      UNION ALL SELECT 'Aminata BA', 'RENAULT', 'CLIO', 'TH-4321-EF', 'P-2025-0003', 'T-000103', -5
      UNION ALL SELECT 'Cheikh GUEYE', 'HYUNDAI', 'TUCSON', 'DK-8765-GH', 'P-2025-0004', 'T-000104', 90
     ) AS d
WHERE NOT EXISTS (SELECT 1 FROM principal);

INSERT INTO principal1 (idpersonne, users, `password`, nom, adresse, persacontacter, telephone,
  coutpolice, prime, taxe, fga, pca, primetotal, genre, marque, `type`, immat, police,
  attestation, valable, valabl, valableau, valablea, nbrdemois, energie, forcefiscal, categorie,
  tranchef, nbrdeplace, sommencais, sommefact, currentd, cmois, cannee, padres)
SELECT idpersonne, users, `password`, nom, adresse, persacontacter, telephone, coutpolice, prime,
  taxe, fga, pca, primetotal, genre, marque, `type`, immat, police, attestation, valable, valabl,
  valableau, valablea, nbrdemois, energie, forcefiscal, categorie, tranchef, nbrdeplace,
  sommencais, sommefact, currentd, cmois, cannee, padres
FROM principal
WHERE NOT EXISTS (SELECT 1 FROM principal1);
