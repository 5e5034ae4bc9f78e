import threading

import numpy as np
import pytest

import toolbox
from conftest import assert_same_mesh, plate_with_hole

# Python name, exported symbol, pass parameters in the order the C++ function takes them.
OPERATIONS = [
    ("remove_edges_zero", "_ZN7Cleanup15removeEdgesZeroEfRKNS_8MeshDataE", {"threshold": 0.01}),
    ("remove_faces_zero", "_ZN7Cleanup15removeFacesZeroEfRKNS_8MeshDataE", {"threshold": 0.001}),
    ("merge_vertices", "_ZN7Cleanup13mergeVerticesEfRKNS_8MeshDataE", {"tolerance": 0.01}),
    ("conform_normals", "_ZN7Cleanup14conformNormalsERKNS_8MeshDataE", {}),
    ("remove_faces_double", "_ZN7Cleanup17removeFacesDoubleEbRKNS_8MeshDataE",
     {"check_uvs": True}),
    ("remove_edges_coplanar", "_ZN7Cleanup19removeEdgesCoplanarEfbRKNS_8MeshDataE",
     {"tolerance": 1.0, "check_uvs": True}),
    ("remove_vertices_colinear", "_ZN7Cleanup22removeVerticesColinearEfbRKNS_8MeshDataE",
     {"tolerance": 1.0, "check_uvs": False}),
]
OPERATION_IDS = [name for name, _, _ in OPERATIONS]


def run(name, parameters, mesh):
    return getattr(toolbox, name)(**mesh, **parameters)


@pytest.fixture(scope="module")
def meshes(building):
    # The building's faces share no vertices until merged, and most passes need shared ones.
    return [building, plate_with_hole(), toolbox.merge_vertices(**building, tolerance=0.01)]


@pytest.mark.parametrize("name, symbol, parameters", OPERATIONS, ids=OPERATION_IDS)
def test_results_are_bit_identical_to_the_library(library, meshes, name, symbol, parameters):
    changed = False
    for mesh in meshes:
        expected = library.run(symbol, list(parameters.values()), mesh)
        assert_same_mesh(run(name, parameters, mesh), expected)
        changed |= not np.array_equal(expected["indices"], mesh["indices"])
    assert changed, "some mesh must have a defect for the pass, or the comparison is of copies"
    plate = library.run(symbol, list(parameters.values()), meshes[1])
    assert plate["holes"] is not None, "the plate's hole must survive into the comparison"


def test_faces_of_one_size_may_come_as_a_matrix():
    mesh = plate_with_hole()
    quads = {"vertices": mesh["vertices"], "indices": mesh["indices"][:8].reshape(2, 4),
             "uvs": mesh["uvs"], "uv_indices": mesh["uv_indices"][:8].reshape(2, 4),
             "holes": mesh["holes"]}
    flat = dict(quads, indices=mesh["indices"][:8], counts=[4, 4],
                uv_indices=mesh["uv_indices"][:8])
    assert_same_mesh(toolbox.remove_faces_zero(**quads, threshold=1e-3),
                     toolbox.remove_faces_zero(**flat, threshold=1e-3))


def test_result_feeds_the_next_operation_and_inputs_stay_untouched():
    mesh = plate_with_hole()
    before = {k: v.copy() if isinstance(v, np.ndarray) else list(v) for k, v in mesh.items()}
    edges = toolbox.remove_edges_zero(**mesh, threshold=0.01)
    faces = toolbox.remove_faces_zero(**edges, threshold=1e-3)
    assert list(faces["counts"]) == [4, 4, 4]  # short edge collapsed, sliver gone
    assert faces["textures"] == ["plate.png", None]
    assert list(faces["holes"]) == [0, 1, 0xFFFFFFFF]
    assert_same_mesh(mesh, before)


def test_unusable_or_emptied_meshes_give_none():
    no_vertices = np.zeros((0, 3), np.float32)
    assert toolbox.remove_faces_zero(no_vertices, np.zeros((0, 3), int), threshold=1) is None
    triangle = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0]], np.float32)
    assert toolbox.remove_faces_zero(triangle, [[0, 1, 2]], threshold=1.0) is None


def test_dropped_faces_are_reported_as_a_warning():
    mesh = plate_with_hole()
    with pytest.warns(RuntimeWarning, match="1 illegal faces"):
        result = toolbox.remove_faces_zero(mesh["vertices"], np.r_[mesh["indices"], 0, 1],
                                           np.r_[mesh["counts"], 2], threshold=1e-3)
    assert len(result["counts"]) == 3


def test_two_threads_clean_different_meshes_at_once(building):
    jobs = [(building, "remove_edges_zero", {"threshold": 0.01}),
            (plate_with_hole(), "remove_faces_zero", {"threshold": 1e-3})]
    expected = [run(name, parameters, mesh) for mesh, name, parameters in jobs]
    start = threading.Barrier(len(jobs))
    results = [[] for _ in jobs]

    def work(index):
        mesh, name, parameters = jobs[index]
        start.wait()
        results[index] = [run(name, parameters, mesh) for _ in range(50)]

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(jobs))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for runs, wanted in zip(results, expected):
        for result in runs:
            assert_same_mesh(result, wanted)


def _bad(**changes):
    mesh = plate_with_hole()
    mesh.update(changes)
    return mesh


# One case per check: the dtype and shape checks are shared by every float and every integer
# argument, so each argument keeps only the checks of its own.
BAD_INPUTS = [
    ("vertices", _bad(vertices=plate_with_hole()["vertices"].astype(np.float64))),
    ("vertices", _bad(vertices=plate_with_hole()["vertices"][:, :2].copy())),
    ("indices", _bad(indices=plate_with_hole()["indices"].astype(np.float32))),
    ("indices", _bad(indices=np.r_[plate_with_hole()["indices"][:-1], 16])),
    ("indices", _bad(indices=np.array([2**63, *range(1, 16)], np.uint64))),
    ("counts", _bad(counts=None)),
    ("counts", _bad(indices=np.arange(8).reshape(2, 4), uvs=None, uv_indices=None)),
    ("counts", _bad(counts=[4, 4, 5, 2])),
    ("uvs", _bad(uvs=None)),
    ("uv_indices", _bad(uv_indices=None)),
    ("uv_indices", _bad(uv_indices=plate_with_hole()["uv_indices"][:-1])),
    ("textures", _bad(textures="plate.png")),
    ("textures", _bad(textures=["plate\0.png", None])),
    ("texture_start_faces", _bad(textures=None)),
    ("texture_start_faces", _bad(texture_start_faces=[0])),
    ("holes", _bad(holes=[0, 4, 0xFFFFFFFF])),
]


@pytest.mark.parametrize("argument, mesh", BAD_INPUTS)
def test_malformed_arrays_raise_a_value_error_naming_the_argument(argument, mesh):
    with pytest.raises(ValueError, match=f"^{argument}: "):
        toolbox.remove_faces_zero(**mesh, threshold=1e-3)
