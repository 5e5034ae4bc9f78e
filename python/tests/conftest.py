"""Shared meshes, and the library's own entry points through ctypes as the reference."""
import ctypes
import os
from pathlib import Path

import numpy as np
import pytest

import toolbox

SOURCE_DIR = Path(os.environ.get("TOOLBOX_SOURCE_DIR", Path(__file__).resolve().parents[2]))
BUILDING_OBJ = SOURCE_DIR / "data" / "building.obj"
HOLES_END = 0xFFFFFFFF


class MeshData(ctypes.Structure):
    """The host record, field for field."""

    _fields_ = [
        ("mName", ctypes.c_char_p),
        ("mVertexCoords", ctypes.POINTER(ctypes.c_float)),
        ("mVCCount", ctypes.c_int),
        ("mIndices", ctypes.POINTER(ctypes.c_int)),
        ("mIndexCount", ctypes.c_int),
        ("mTexCoords", ctypes.POINTER(ctypes.c_float)),
        ("mTCCount", ctypes.c_int),
        ("mTCIndices", ctypes.POINTER(ctypes.c_int)),
        ("mTCIndexCount", ctypes.c_int),
        ("mCounts", ctypes.POINTER(ctypes.c_int)),
        ("mCountCount", ctypes.c_int),
        ("mTextures", ctypes.POINTER(ctypes.c_char_p)),
        ("mTexturesCount", ctypes.c_int),
        ("mTexturesStartFaces", ctypes.POINTER(ctypes.c_uint)),
        ("mTexturesStartFacesCount", ctypes.c_int),
        ("mHoles", ctypes.POINTER(ctypes.c_uint)),
        ("mHolesCount", ctypes.c_int),
        ("mConversionMessage", ctypes.c_char_p),
    ]


assert ctypes.sizeof(MeshData) == 144


def _pointer(array, ctype):
    return None if array is None else array.ctypes.data_as(ctypes.POINTER(ctype))


def _copy(pointer, count, dtype, columns=None):
    if not pointer:
        return None
    values = np.ctypeslib.as_array(pointer, shape=(count,)).astype(dtype, copy=True)
    return values.reshape(-1, columns) if columns else values


class Library:
    """Calls the exported operations directly, the way a C++ host does."""

    def __init__(self, path):
        self._lib = ctypes.CDLL(path)
        self._free = self._lib["_ZN7Cleanup12freeMeshDataEPKNS_8MeshDataE"]
        self._free.argtypes = [ctypes.POINTER(MeshData)]

    def run(self, symbol, parameters, mesh):
        function = self._lib[symbol]
        types = [ctypes.c_bool if isinstance(p, bool) else ctypes.c_float for p in parameters]
        function.argtypes = types + [ctypes.POINTER(MeshData)]
        function.restype = ctypes.POINTER(MeshData)
        arrays = _host_arrays(mesh)
        record = MeshData()
        record.mVertexCoords = _pointer(arrays["vertices"], ctypes.c_float)
        record.mVCCount = arrays["vertices"].size
        record.mIndices = _pointer(arrays["indices"], ctypes.c_int)
        record.mIndexCount = arrays["indices"].size
        record.mCounts = _pointer(arrays["counts"], ctypes.c_int)
        record.mCountCount = arrays["counts"].size
        if arrays["uvs"] is not None:
            record.mTexCoords = _pointer(arrays["uvs"], ctypes.c_float)
            record.mTCCount = arrays["uvs"].size
            record.mTCIndices = _pointer(arrays["uv_indices"], ctypes.c_int)
            record.mTCIndexCount = arrays["uv_indices"].size
        textures = mesh.get("textures")
        if textures is not None:
            names = (ctypes.c_char_p * len(textures))(
                *[None if t is None else t.encode() for t in textures])
            record.mTextures = names
            record.mTexturesCount = len(textures)
        if arrays["texture_start_faces"] is not None:
            record.mTexturesStartFaces = _pointer(arrays["texture_start_faces"], ctypes.c_uint)
            record.mTexturesStartFacesCount = arrays["texture_start_faces"].size
        if arrays["holes"] is not None:
            record.mHoles = _pointer(arrays["holes"], ctypes.c_uint)
            record.mHolesCount = arrays["holes"].size
        result = function(*parameters, ctypes.byref(record))
        if not result:
            return None
        try:
            return _as_dict(result.contents)
        finally:
            self._free(result)


def _host_arrays(mesh):
    def contiguous(key, dtype):
        value = mesh.get(key)
        return None if value is None else np.ascontiguousarray(value, dtype=dtype).ravel()

    return {
        "vertices": contiguous("vertices", np.float32),
        "indices": contiguous("indices", np.int32),
        "counts": contiguous("counts", np.int32),
        "uvs": contiguous("uvs", np.float32),
        "uv_indices": contiguous("uv_indices", np.int32),
        "texture_start_faces": contiguous("texture_start_faces", np.uint32),
        "holes": contiguous("holes", np.uint32),
    }


def _as_dict(data):
    textures = None
    if data.mTextures:
        textures = [None if data.mTextures[i] is None else data.mTextures[i].decode()
                    for i in range(data.mTexturesCount)]
    return {
        "vertices": _copy(data.mVertexCoords, data.mVCCount, np.float32, 3),
        "indices": _copy(data.mIndices, data.mIndexCount, np.int32),
        "counts": _copy(data.mCounts, data.mCountCount, np.int32),
        "uvs": _copy(data.mTexCoords, data.mTCCount, np.float32, 2),
        "uv_indices": _copy(data.mTCIndices, data.mTCIndexCount, np.int32),
        "textures": textures,
        "texture_start_faces": _copy(data.mTexturesStartFaces, data.mTexturesStartFacesCount,
                                     np.uint32),
        "holes": _copy(data.mHoles, data.mHolesCount, np.uint32),
    }


def assert_same_mesh(actual, expected):
    """Same keys, and every array with the same dtype, shape and bits."""
    assert actual.keys() == expected.keys()
    for key, value in expected.items():
        if isinstance(value, np.ndarray):
            assert isinstance(actual[key], np.ndarray), key
            assert actual[key].dtype == value.dtype, key
            assert actual[key].shape == value.shape, key
            assert actual[key].tobytes() == value.tobytes(), key
        else:
            assert actual[key] == value, key


def plate_with_hole():
    """A textured plate with a square hole, a sliver triangle and a 1e-4 short edge."""
    outer = [[0, 0, 0], [4, 0, 0], [4, 4, 0], [0, 4, 0]]
    inner = [[1, 1, 0], [1, 3, 0], [3, 3, 0], [3, 1, 0]]  # turned against the plate
    side = [[4, 0, 0], [6, 0, 0], [6, 4, 0], [4.0001, 4, 0], [4, 4, 0]]
    sliver = [[6, 0, 0], [7, 0, 0], [8, 0, 0]]
    vertices = np.array(outer + inner + side + sliver, np.float32)
    indices = np.array([0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15], np.int32)
    counts = np.array([4, 4, 5, 3], np.int32)
    uvs = (vertices[:, :2] / 8).astype(np.float32)
    return {
        "vertices": vertices,
        "indices": indices,
        "counts": counts,
        "uvs": uvs,
        "uv_indices": indices.copy(),
        "textures": ["plate.png", None],
        "texture_start_faces": np.array([0, 2], np.uint32),
        "holes": np.array([0, 1, HOLES_END], np.uint32),
    }


@pytest.fixture(scope="session")
def library():
    return Library(os.environ["TOOLBOX_LIBRARY"])


@pytest.fixture(scope="session")
def building():
    return toolbox.read_obj(str(BUILDING_OBJ))
