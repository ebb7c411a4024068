-- The tables of the sample application and some data to start with.
--
-- Each data file of KADICC.DAT is one table of the same name whose columns
-- stand in the dictionary's field order. Every key has an index in the
-- form the keyed access reads it in: its columns NULLS FIRST (a blank key
-- part is NULL and sorts first), and key 1 unique. A key made of field 1
-- alone is walked in the order of the first three fields, so it has an
-- ordering index of those too.
--
--   psql -v ON_ERROR_STOP=1 -f tienda.sql

DROP TABLE IF EXISTS albaranes;
DROP TABLE IF EXISTS movimientos;
DROP TABLE IF EXISTS articulos;
DROP TABLE IF EXISTS clientes;

CREATE TABLE clientes (
  codigo    varchar(6),
  nombre    varchar(30),
  ciudad    varchar(20),
  telefono  varchar(12),
  saldo     numeric(12,2)
);
CREATE UNIQUE INDEX clientes_ndx1 ON clientes USING btree ("codigo" NULLS FIRST);
CREATE INDEX clientes_ndx1o ON clientes USING btree ("codigo" NULLS FIRST, "nombre" NULLS FIRST, "ciudad" NULLS FIRST);
CREATE INDEX clientes_ndx2 ON clientes USING btree ("nombre" NULLS FIRST);
CREATE INDEX clientes_ndx3 ON clientes USING btree ("ciudad" NULLS FIRST);

CREATE TABLE articulos (
  codigo       varchar(8),
  descripcion  varchar(30),
  familia      varchar(4),
  precio       numeric(10,2),
  stock        numeric(8)
);
CREATE UNIQUE INDEX articulos_ndx1 ON articulos USING btree ("codigo" NULLS FIRST);
CREATE INDEX articulos_ndx1o ON articulos USING btree ("codigo" NULLS FIRST, "descripcion" NULLS FIRST, "familia" NULLS FIRST);
CREATE INDEX articulos_ndx2 ON articulos USING btree ("familia" NULLS FIRST);

CREATE TABLE movimientos (
  numero    numeric(6),
  linea     numeric(3),
  fecha     varchar(8),
  cliente   varchar(6),
  articulo  varchar(8),
  cantidad  numeric(6),
  precio    numeric(10,2),
  importe   numeric(12,2)
);
CREATE UNIQUE INDEX movimientos_ndx1 ON movimientos USING btree ("numero" NULLS FIRST, "linea" NULLS FIRST);
CREATE INDEX movimientos_ndx2 ON movimientos USING btree ("cliente" NULLS FIRST);
CREATE INDEX movimientos_ndx3 ON movimientos USING btree ("articulo" NULLS FIRST);

-- The delivery notes: a header each (its lines are in movimientos, by the
-- note's number), with the total of its lines.
CREATE TABLE albaranes (
  numero   numeric(6),
  fecha    varchar(8),
  cliente  varchar(6),
  total    numeric(12,2)
);
CREATE UNIQUE INDEX albaranes_ndx1 ON albaranes USING btree ("numero" NULLS FIRST);
CREATE INDEX albaranes_ndx1o ON albaranes USING btree ("numero" NULLS FIRST, "fecha" NULLS FIRST, "cliente" NULLS FIRST);

-- The balances and stock figures already hold the lines below.
INSERT INTO clientes VALUES
  ('C00001', 'Ferreteria Alonso',  'Madrid',   '914112233', 74.35),
  ('C00002', 'Bazar La Estrella',  'Sevilla',  '954223344', 42.00),
  ('C00003', 'Suministros Garcia', 'Madrid',   '915334455', 94.50),
  ('C00004', 'Casa Pilar',         'Valencia', '963445566', 0),
  ('C00005', 'Hogar y Jardin',     'Madrid',   '916556677', 0),
  ('C00006', 'Talleres Ruiz',      'Sevilla',  '955667788', 0),
  ('C00007', 'Drogueria del Sol',  'Bilbao',   '944778899', 0);

INSERT INTO articulos VALUES
  ('A0001', 'Martillo de carpintero', 'HERR', 12.50, 38),
  ('A0002', 'Destornillador plano',   'HERR',  4.20, 50),
  ('A0003', 'Caja de tornillos 4x40', 'TORN',  6.75, 95),
  ('A0004', 'Caja de tacos 8 mm',     'TORN',  3.90, 76),
  ('A0005', 'Pintura blanca 4 l',     'PINT', 24.00, 17),
  ('A0006', 'Rodillo de pintor',      'PINT',  7.50, 27);

INSERT INTO movimientos VALUES
  (1, 1, '20240105', 'C00001', 'A0001',  2, 12.50, 25.00),
  (1, 2, '20240105', 'C00001', 'A0003',  5,  6.75, 33.75),
  (2, 1, '20240112', 'C00003', 'A0005',  3, 24.00, 72.00),
  (2, 2, '20240112', 'C00003', 'A0006',  3,  7.50, 22.50),
  (3, 1, '20240120', 'C00002', 'A0002', 10,  4.20, 42.00),
  (4, 1, '20240202', 'C00001', 'A0004',  4,  3.90, 15.60);

INSERT INTO albaranes VALUES
  (1, '20240105', 'C00001', 58.75),
  (2, '20240112', 'C00003', 94.50),
  (3, '20240120', 'C00002', 42.00),
  (4, '20240202', 'C00001', 15.60);
