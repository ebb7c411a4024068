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

-- The first data: the same script appcontrol sends to a new company made
-- from KADICC.DAT. Its balances and stock figures already hold its lines.
\ir KADICC.SQL
