#!/usr/bin/env python3
"""Repairs a few databases of the corpus and the samples into SQLite and reads every table and
view back with Python's sqlite3 converting by declared type (detect_types=PARSE_DECLTYPES), as
Python clients do: a value its converter cannot read fails the check, and every date column
must come back as dates and times.

    check-python-dates.py VANTREL_CLI

The corpus is $VANTREL_CORPUS or ../shared/corpus beside the repository; without it the check
reports itself skipped (exit status 77)."""
import datetime
import os
import pathlib
import sqlite3
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
FILES = ["jet3/mdbtools-nwind.mdb", "jet4/mdbtestdata-DateTestDatabase.mdb",
         "jet4/gabriellogue-Northwind.mdb"]


def main():
    cli = sys.argv[1]
    corpus = pathlib.Path(os.environ.get("VANTREL_CORPUS") or ROOT.parent / "shared" / "corpus")
    sources = [corpus / f for f in FILES if (corpus / f).exists()]
    if not sources:
        print(f"skipped: no corpus at {corpus}")
        return 77
    sources += [ROOT / "samples" / "sample-jet3-damaged.mdb", ROOT / "samples" / "sample-jet4.mdb"]
    failures = 0
    dates = 0
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, XDG_STATE_HOME=work, XDG_CONFIG_HOME=work)
        subprocess.run([cli, "repair", "--out", work, "--overwrite", "no", "-q",
                        *map(str, sources)], check=False, env=env, stdout=subprocess.DEVNULL)
        saved = sorted(pathlib.Path(work).glob("Repair_*/*.sqlite"))
        if len(saved) != len(sources):
            print(f"{len(saved)} destinations for {len(sources)} sources")
            return 1
        for path in saved:
            db = sqlite3.connect(path, detect_types=sqlite3.PARSE_DECLTYPES)
            objects = db.execute("SELECT name, type FROM sqlite_master"
                                 " WHERE type IN ('table', 'view')").fetchall()
            for name, kind in objects:
                cursor = db.execute('SELECT * FROM "%s"' % name.replace('"', '""'))
                try:
                    rows = cursor.fetchall()
                except sqlite3.OperationalError:
                    continue  # a view SQLite cannot run says nothing about the values
                except ValueError as error:
                    failures += 1
                    print(f"{path.name}: {kind} {name}: {error}")
                    continue
                for row in rows:
                    dates += sum(isinstance(v, datetime.datetime) for v in row)
                    if any(isinstance(v, datetime.date) and not isinstance(v, datetime.datetime)
                           for v in row):
                        failures += 1
                        print(f"{path.name}: {kind} {name}: a date without its time")
                        break
            db.close()
    print(f"{dates} dates read as date and time; {failures} failures")
    return 1 if failures or dates == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
