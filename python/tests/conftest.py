"""Shared meshes, and the library's exported entry points called through ctypes as the reference."""
import ctypes
import os
from ctypes import POINTER, c_char_p, c_float, c_int, c_uint
from pathlib import Path

import numpy as np
import pytest

import toolbox

SOURCE_DIR = Path(os.environ.get("TOOLBOX_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BUILDING_OBJ = SOURCE_DIR / "data" / "building.obj"
HOLES_END = 0xFFFFFFFF


class MeshData(ctypes.Structure):
    """The host record, field for field."""

    _fields_ = [("mName", c_char_p), ("mVertexCoords", POINTER(c_float)), ("mVCCount", c_int),
                ("mIndices", POINTER(c_int)), ("mIndexCount", c_int),
                ("mTexCoords", POINTER(c_float)), ("mTCCount", c_int),
                ("mTCIndices", POINTER(c_int)), ("mTCIndexCount", c_int),
                ("mCounts", POINTER(c_int)), ("mCountCount", c_int),
                ("mTextures", POINTER(c_char_p)), ("mTexturesCount", c_int),
                ("mTexturesStartFaces", POINTER(c_uint)), ("mTexturesStartFacesCount", c_int),
                ("mHoles", POINTER(c_uint)), ("mHolesCount", c_int),
                ("mConversionMessage", c_char_p)]


assert ctypes.sizeof(MeshData) == 144

# Binding key: record array field, its count field, element type, rows of that many columns.
ARRAYS = {
    "vertices": ("mVertexCoords", "mVCCount", np.float32, 3),
    "indices": ("mIndices", "mIndexCount", np.int32, None),
    "counts": ("mCounts", "mCountCount", np.int32, None),
    "uvs": ("mTexCoords", "mTCCount", np.float32, 2),
    "uv_indices": ("mTCIndices", "mTCIndexCount", np.int32, None),
    "texture_start_faces": ("mTexturesStartFaces", "mTexturesStartFacesCount", np.uint32, None),
    "holes": ("mHoles", "mHolesCount", np.uint32, None),
}


class Library:
    """Calls the exported operations directly, the way a C++ host does."""

    def __init__(self, path):
        self._lib = ctypes.CDLL(path)
        self._free = self._lib["_ZN7Cleanup12freeMeshDataEPKNS_8MeshDataE"]
        self._free.argtypes = [POINTER(MeshData)]

    def run(self, symbol, parameters, mesh):
        function = self._lib[symbol]
        function.argtypes = [ctypes.c_bool if isinstance(p, bool) else c_float
                             for p in parameters] + [POINTER(MeshData)]
        function.restype = POINTER(MeshData)
        record, alive = MeshData(), []
        for key, (field, count, dtype, _) in ARRAYS.items():
            if mesh.get(key) is not None:
                alive.append(np.ascontiguousarray(mesh[key], dtype).ravel())
                setattr(record, field, np.ctypeslib.as_ctypes(alive[-1]))
                setattr(record, count, alive[-1].size)
        if mesh.get("textures") is not None:
            names = [None if t is None else t.encode() for t in mesh["textures"]]
            record.mTextures = (c_char_p * len(names))(*names)
            record.mTexturesCount = len(names)
        result = function(*parameters, ctypes.byref(record))
        try:
            return _as_dict(result.contents) if result else None
        finally:
            self._free(result)


def _as_dict(data):
    result = {}
    for key, (field, count, dtype, columns) in ARRAYS.items():
        pointer, size = getattr(data, field), getattr(data, count)
        values = np.ctypeslib.as_array(pointer, (size,)).astype(dtype) if pointer else None
        result[key] = values.reshape(-1, columns) if columns and pointer else values
    result["textures"] = None if not data.mTextures else [
        None if data.mTextures[i] is None else data.mTextures[i].decode()
        for i in range(data.mTexturesCount)]
    return result


def assert_same_mesh(actual, expected):
    """The same keys, and every array with the same dtype, shape and bits."""
    assert sorted(actual) == sorted(expected)
    for key, value in expected.items():
        if isinstance(value, np.ndarray):
            assert (actual[key].dtype, actual[key].shape) == (value.dtype, value.shape), key
            assert actual[key].tobytes() == value.tobytes(), key
        else:
            assert actual[key] == value, key


def plate_with_hole():
    """A textured plate with a square hole, a face with a 1e-4 edge and a sliver triangle."""
    outer = [[0, 0, 0], [4, 0, 0], [4, 4, 0], [0, 4, 0]]
    inner = [[1, 1, 0], [1, 3, 0], [3, 3, 0], [3, 1, 0]]  # turned against the plate
    side = [[4, 0, 0], [6, 0, 0], [6, 4, 0], [4.0001, 4, 0], [4, 4, 0]]
    sliver = [[6, 0, 0], [7, 0, 0], [8, 0, 0]]
    vertices = np.array(outer + inner + side + sliver, np.float32)
    indices = np.arange(16, dtype=np.int32)
    return {"vertices": vertices, "indices": indices, "counts": np.array([4, 4, 5, 3], np.int32),
            "uvs": vertices[:, :2] / np.float32(8), "uv_indices": indices.copy(),
            "textures": ["plate.png", None], "texture_start_faces": np.array([0, 2], np.uint32),
            "holes": np.array([0, 1, HOLES_END], np.uint32)}


@pytest.fixture(scope="session")
def library():
    return Library(os.environ["TOOLBOX_LIBRARY"])


@pytest.fixture(scope="session")
def building():
    return toolbox.read_obj(str(BUILDING_OBJ))
