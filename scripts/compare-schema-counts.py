#!/usr/bin/env python3
"""Counts the indexes, unique indexes, AutoNumber columns, Required columns made NOT NULL,
column defaults and descriptions of repaired databases against what mdb-schema printed for
the same files (the corpus's oracle/<stem>/mdbtools/schema_postgres.sql; the defaults against
the DefaultValue lines of mdb-prop in props/, which list expressions too and only some
columns), file by file and in total. The NOT NULLs counted are those of the Required columns.

    compare-schema-counts.py CORPUS SQLITE_FOLDER [POSTGRES_URL]

SQLITE_FOLDER holds the NAME.sqlite files of a repair run; with POSTGRES_URL, the schemas of
a run with a schema per file (named after each file, as repair --to names them) are counted
too, through psql. The primary keys are counted apart from the indexes, as mdb-schema prints
them apart."""
import pathlib
import re
import sqlite3
import subprocess
import sys


KEYS = ["indexes", "unique", "keys", "autonumbers", "notnull", "defaults", "descriptions"]


def oracle_counts(schema_sql):
    text = schema_sql.read_text(encoding="utf-8", errors="replace")
    defaults = 0
    for props in (schema_sql.parent / "props").glob("table-*.txt"):
        if props.name.startswith("table-MSys"):
            continue
        defaults += len(re.findall(r"^\tDefaultValue:", props.read_text(
            encoding="utf-8", errors="replace"), re.M))
    return {
        "indexes": len(re.findall(r"^CREATE (?:UNIQUE )?INDEX", text, re.M)),
        "unique": len(re.findall(r"^CREATE UNIQUE INDEX", text, re.M)),
        "keys": len(re.findall(r"PRIMARY KEY", text)),
        "autonumbers": len(re.findall(r"\bSERIAL\b", text)),
        # mdb-schema writes NOT NULL on every Yes/No column (Jet stores no null in one), which
        # is no Required property: those are left out.
        "notnull": len(re.findall(r"^(?!.*\bBOOLEAN\b).*\bNOT NULL\b", text, re.M)),
        "defaults": defaults,
        "descriptions": len(re.findall(r"^COMMENT ON (?:TABLE|COLUMN)", text, re.M)),
    }


# The Required columns, as the destination's catalog table keeps what the file said.
REQUIRED = ("SELECT table_name, column_name FROM \"MSysVantrelTableProperties\""
            " WHERE property = 'Required' AND value = 'True'")


def sqlite_counts(path):
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    indexes = db.execute(
        "SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"
        " AND tbl_name NOT LIKE 'MSysVantrel%'").fetchall()
    tables = db.execute(
        "SELECT sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'MSysVantrel%'"
        " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'").fetchall()
    notnull = 0
    for table, column in db.execute(REQUIRED).fetchall():
        notnull += db.execute("SELECT count(*) FROM pragma_table_info(?) WHERE name = ?"
                              " AND \"notnull\"", (table, column)).fetchone()[0]
    defaults = db.execute(
        "SELECT count(*) FROM sqlite_master m, pragma_table_info(m.name) c WHERE m.type ="
        " 'table' AND m.name NOT LIKE 'MSysVantrel%' AND c.dflt_value IS NOT NULL").fetchone()[0]
    descriptions = db.execute("SELECT count(*) FROM \"MSysVantrelTableProperties\""
                              " WHERE property = 'Description'").fetchone()[0]
    db.close()
    return {
        "indexes": len(indexes),
        "unique": sum(1 for (sql,) in indexes if sql.startswith("CREATE UNIQUE")),
        "keys": sum(1 for (sql,) in tables if "PRIMARY KEY" in sql),
        "autonumbers": sum(1 for (sql,) in tables if "AUTOINCREMENT" in sql),
        "notnull": notnull,
        "defaults": defaults,
        "descriptions": descriptions,
    }


def postgres_counts(url, schema):
    query = f"""
      SELECT (SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid
                JOIN pg_namespace n ON n.oid = c.relnamespace
               WHERE n.nspname = '{schema}' AND NOT i.indisprimary
                 AND c.relname NOT LIKE 'MSysVantrel%'),
             (SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid
                JOIN pg_namespace n ON n.oid = c.relnamespace
               WHERE n.nspname = '{schema}' AND NOT i.indisprimary AND i.indisunique
                 AND c.relname NOT LIKE 'MSysVantrel%'),
             (SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid
                JOIN pg_namespace n ON n.oid = c.relnamespace
               WHERE n.nspname = '{schema}' AND i.indisprimary
                 AND c.relname NOT LIKE 'MSysVantrel%'),
             (SELECT count(*) FROM information_schema.columns
               WHERE table_schema = '{schema}' AND is_identity = 'YES'),
             (SELECT count(*) FROM information_schema.columns c
                JOIN "{schema}"."MSysVantrelTableProperties" p
                  ON p.table_name = c.table_name AND p.column_name = c.column_name
               WHERE c.table_schema = '{schema}' AND p.property = 'Required'
                 AND p.value = 'True' AND c.is_nullable = 'NO'),
             (SELECT count(*) FROM information_schema.columns
               WHERE table_schema = '{schema}' AND column_default IS NOT NULL
                 AND is_identity = 'NO' AND column_default <> 'gen_random_uuid()'),
             (SELECT count(*) FROM pg_description d JOIN pg_class c ON c.oid = d.objoid
                JOIN pg_namespace n ON n.oid = c.relnamespace
               WHERE n.nspname = '{schema}' AND d.classoid = 'pg_class'::regclass)"""
    out = subprocess.run(["psql", "-X", "-A", "-t", "-F", " ", url, "-c", query],
                         check=True, capture_output=True, text=True).stdout.split()
    return dict(zip(KEYS, map(int, out)))


def main():
    corpus, folder = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    url = sys.argv[3] if len(sys.argv) > 3 else None
    keys = KEYS
    totals = {side: dict.fromkeys(keys, 0) for side in ("oracle", "sqlite", "postgres")}
    print("file", *[f"{k}(oracle/sqlite/pg)" for k in keys], sep="\t")
    for database in sorted(folder.glob("*.sqlite")):
        stem = database.stem
        schema_sql = corpus / "oracle" / stem / "mdbtools" / "schema_postgres.sql"
        if not schema_sql.exists():
            continue
        sides = {"oracle": oracle_counts(schema_sql), "sqlite": sqlite_counts(database)}
        if url:
            sides["postgres"] = postgres_counts(url, stem)
        row = [stem]
        for k in keys:
            row.append("/".join(str(sides[s][k]) for s in sides))
            for s in sides:
                totals[s][k] += sides[s][k]
        print(*row, sep="\t")
    print("total", *["/".join(str(totals[s][k]) for s in totals) for k in keys], sep="\t")


if __name__ == "__main__":
    main()
