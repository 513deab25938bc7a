"""The rows of tests/rules/plugin_names.csv through kolm's lookup, as kolmctl runs them
(tests/kolmctl/plugin_names.cmake): the same name, the same files, the same file found."""

import csv
import sys

import pytest

from conftest import ROOT

from kolm import PluginError, _plugin_lookup

PLATFORM = "windows" if sys.platform == "win32" else "linux"
ROWS = [r for r in csv.DictReader(line for line in (ROOT / "tests/rules/plugin_names.csv").open() if line[0] != "#")
        if r["on"] in ("all", PLATFORM)]


@pytest.mark.parametrize("row", ROWS, ids=lambda r: f"{r['name']}:{r['files']}")
def test_a_name_finds_the_file_kolmctl_finds(row, tmp_path, monkeypatch):
    folders = {f: tmp_path / f for f in ("here", "env", "beside", "system")}
    for folder in folders.values():
        folder.mkdir()
    suffix = _plugin_lookup.plugin_suffix()
    for file in row["files"].split():
        place, rest = file.split("/", 1)
        (folders[place] / (rest + suffix)).parent.mkdir(parents=True, exist_ok=True)
        (folders[place] / (rest + suffix)).write_bytes(b"")
    monkeypatch.chdir(folders["here"])
    monkeypatch.setenv("KOLM_PLUGIN_DIR", str(folders["env"]))
    monkeypatch.setattr(_plugin_lookup, "PACKAGE_FOLDER", folders["beside"])
    monkeypatch.setattr(_plugin_lookup, "system_folders", lambda: [folders["system"]])
    name = row["name"].replace("{so}", suffix)
    if row["found"] == "none":
        with pytest.raises(PluginError, match="no such file"):
            _plugin_lookup.find_plugin(name)
    else:
        place, rest = row["found"].split("/", 1)
        assert _plugin_lookup.find_plugin(name) == (folders[place] / (rest + suffix)).resolve()
