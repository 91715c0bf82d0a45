"""The Python module on the bundled sample: read, edit, copy, save, re-read."""
import gc
import json
import math
import os
import pathlib

import numpy as np
import pytest

import ecucal

EXAMPLES = pathlib.Path(os.environ.get("ECUCAL_EXAMPLES_DIR",
                                       pathlib.Path(__file__).parents[2] / "examples"))
MANIFEST = json.loads((EXAMPLES / "kestrel.roms.json").read_text())
ROM = str(EXAMPLES / "kestrel.rom.bin")
STOCK = str(EXAMPLES / "kestrel.stock.bin")


@pytest.fixture(scope="module")
def definition():
    return ecucal.Definition.load(str(EXAMPLES / "kestrel.xml"))


@pytest.fixture
def rom(definition):
    return ecucal.Rom(definition, ROM)


def test_definition_views_are_read_only(definition):
    assert definition.valid and definition.check() == []
    assert definition.tables["Fuel Map A"]["type"] == "3d"
    assert definition.tables["Fuel Map Failsafe"]["master"] == "Fuel Map A"
    assert definition.toggles["Flex Fuel"]["type"] == "toggle"
    assert definition.monitors
    assert definition.rom_info["rom_crcs"]
    with pytest.raises(TypeError):
        definition.tables["Fuel Map A"] = {}


def test_unedited_save_is_byte_exact(rom, tmp_path):
    out = tmp_path / "out.bin"
    rom.save(str(out))
    assert out.read_bytes() == pathlib.Path(ROM).read_bytes()
    assert [p.name for p in tmp_path.iterdir()] == ["out.bin"]


def test_edit_save_and_reread(definition, rom, tmp_path):
    table = rom.table("Fuel Map A")
    values = table.values
    assert values.shape == (16, 16) and table.x.shape == (16,) and table.y.shape == (16,)
    assert table[3, 2] == values[2, 3]
    table[3, 2] = values[2, 3] + 1.0
    assert rom.dirty and table[3, 2] == values[2, 3] + 1.0
    assert table.values[2, 3] != values[2, 3]  # values are a copy
    table[0, 0] = 1e9  # clamped to the axis maximum
    top = table[0, 0]
    assert top < 1e9
    rom.toggle("Flex Fuel").enabled = not MANIFEST["toggles"]["Flex Fuel"]["rom"]

    out = tmp_path / "edited.bin"
    rom.save(str(out))
    assert not rom.dirty
    saved, original = out.read_bytes(), pathlib.Path(ROM).read_bytes()
    changed = {i for i, (a, b) in enumerate(zip(saved, original)) if a != b}
    assert {0x10100 + 3 + 16 * 2, 0x10100, 0x10500 + 3 + 16 * 2, 0x10500} <= changed

    again = ecucal.Rom(definition, str(out))
    assert again.table("Fuel Map A")[3, 2] == values[2, 3] + 1.0
    assert again.table("Fuel Map A")[0, 0] == top
    assert again.toggle("Flex Fuel").enabled != MANIFEST["toggles"]["Flex Fuel"]["rom"]
    assert again.diff(rom) == {"tables": [], "toggles": []}


def test_set_values_checks_the_shape(rom):
    table = rom.table("Base Timing")
    table.set_values(np.zeros((16, 16)))
    assert not table.values.any() and rom.dirty
    with pytest.raises(ValueError, match=r"shape \(16, 16\)"):
        table.set_values(np.zeros(16))
    with pytest.raises(ValueError, match="finite"):
        table.set_values(np.full((16, 16), np.nan))


def test_copy_and_diff(definition, rom):
    stock = ecucal.Rom(definition, STOCK)
    expected = set(MANIFEST["different_tables"]) - set(MANIFEST["restricted_tables"])
    assert set(rom.diff(stock)["tables"]) == expected
    assert set(MANIFEST["different_toggles"]) <= set(rom.diff(stock)["toggles"])

    report = rom.copy_from(stock, ["Fuel Map A", ("Wastegate Duty", 1), "Flex Fuel", "Nope"])
    assert report["tables"]["successful"] == ["Fuel Map A", ("Wastegate Duty", 1)]
    assert report["toggles"]["successful"] == ["Flex Fuel"]
    assert report["invalid"] == ["Nope"] and not report["success"]
    differences = rom.diff(stock)
    assert "Fuel Map A" not in differences["tables"]
    assert "Flex Fuel" not in differences["toggles"]
    assert rom.dirty


def test_table_keeps_its_rom_and_definition_alive():
    def table():
        d = ecucal.Definition.load(str(EXAMPLES / "kestrel.xml"))
        return ecucal.Rom(d, ROM).table("Fuel Map A")

    t = table()
    gc.collect()
    assert t.values.shape == (16, 16)


@pytest.mark.parametrize("action, error", [
    (lambda r: r.table("No Such Table"), KeyError),
    (lambda r: r.toggle("No Such Toggle"), KeyError),
    (lambda r: r.table("Fuel Map A")[16, 0], IndexError),
    (lambda r: r.table("Fuel Map A")[0], IndexError),
    (lambda r: r.table("Fuel Map A")["x"], TypeError),
    (lambda r: r.table("Fuel Map A").__setitem__((0, 0), math.inf), ValueError),
    (lambda r: r.table("Fuel Map Failsafe").__setitem__((0, 0), 12.0), ValueError),
    (lambda r: r.table("Idle Speed Live Trim").__setitem__(0, 700.0), ValueError),
    (lambda r: r.copy_from(r, ["Fuel Map A"]), ValueError),
    (lambda r: r.copy_from(r, "Fuel Map A"), TypeError),
])
def test_misuse_raises(rom, action, error):
    with pytest.raises(error):
        action(rom)
    assert not rom.dirty


def test_failed_build_and_bad_files_raise(definition, tmp_path):
    with pytest.raises(ValueError, match="cannot"):
        ecucal.Definition.load(str(tmp_path / "missing.xml"))
    with pytest.raises(OSError):
        ecucal.Rom(definition, str(tmp_path / "missing.bin"))
    with pytest.raises(OSError):
        ecucal.Rom(definition, ROM).save(str(tmp_path / "no such folder" / "out.bin"))
    short = tmp_path / "short.bin"
    short.write_bytes(bytes(16))
    rom = ecucal.Rom(definition, str(short))
    assert not rom.built
    for action in (lambda: rom.table("Fuel Map A"), lambda: rom.toggle("Flex Fuel"),
                   lambda: rom.save(str(tmp_path / "out.bin")), lambda: rom.dirty):
        with pytest.raises(RuntimeError, match="did not build"):
            action()
    assert not (tmp_path / "out.bin").exists()
