import subprocess
import sys

import pytest

import toolbox
from conftest import SOURCE_DIR, assert_same_mesh, plate_with_hole


def test_written_mesh_reads_back_bit_identical(tmp_path, building):
    path = tmp_path / "copy.obj"
    toolbox.write_obj(str(path), **building)
    assert (tmp_path / "copy.mtl").exists()
    assert_same_mesh(toolbox.read_obj(str(path)), building)


def test_holes_cannot_be_written(tmp_path):
    with pytest.raises(ValueError, match="^holes: "):
        toolbox.write_obj(str(tmp_path / "plate.obj"), **plate_with_hole())
    assert not list(tmp_path.iterdir())


def test_file_problems(tmp_path):
    with pytest.raises(RuntimeError, match="missing.obj"):
        toolbox.read_obj(str(tmp_path / "missing.obj"))
    path = tmp_path / "no-mtl.obj"
    path.write_text("mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl a\nf 1 2 3\n")
    with pytest.warns(RuntimeWarning):
        assert list(toolbox.read_obj(str(path))["counts"]) == [3]


def test_readme_example_runs():
    readme = (SOURCE_DIR / "README.md").read_text()
    example = readme.split("```python\n", 1)[1].split("```", 1)[0]
    assert len(example.strip().splitlines()) == 3
    output = subprocess.run([sys.executable, "-c", example], capture_output=True, text=True,
                            check=True).stdout
    assert output.strip()
