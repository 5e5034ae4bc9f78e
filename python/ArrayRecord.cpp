#include "ArrayRecord.h"

#include <pybind11/numpy.h>

#include <climits>
#include <cstring>
#include <numeric>
#include <optional>
#include <string>

namespace py = pybind11;

namespace util::python {
namespace {
// The holes structure's group terminator.
constexpr long long HOLES_END = 0xFFFFFFFFll;

std::string describe(py::array const& array) {
    std::string shape;
    for (py::ssize_t d = 0; d < array.ndim(); ++d)
        shape += (d == 0 ? "" : ", ") + std::to_string(array.shape(d));
    if (array.ndim() == 1) shape += ",";
    return py::str(array.dtype()).cast<std::string>() + " of shape (" + shape + ")";
}

[[noreturn]] void fail(char const* name, std::string const& problem) {
    throw py::value_error(std::string(name) + ": " + problem);
}

py::array asArray(py::handle object, char const* name) {
    py::array array = py::array::ensure(object);
    if (!array) fail(name, "expected an array");
    return array;
}

// A record counts everything in C ints.
void checkSize(std::size_t size, char const* name) {
    if (size > static_cast<std::size_t>(INT_MAX)) fail(name, "too large for the library");
}

// float32 rows of the given width, as a flat copy.
std::vector<float> floatRows(py::handle object, char const* name, py::ssize_t columns) {
    py::array const array = asArray(object, name);
    if (array.dtype().kind() != 'f' || array.itemsize() != 4 || array.ndim() != 2 ||
        array.shape(1) != columns)
        fail(name, "expected a float32 array of shape (n, " + std::to_string(columns) + "), got " +
                       describe(array));
    auto const values =
        py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(array);
    checkSize(static_cast<std::size_t>(values.size()), name);
    return std::vector<float>(values.data(), values.data() + values.size());
}

struct Integers {
    std::vector<long long> values;  // flat, in C order
    std::vector<long long> shape;
};

// Any integer type, widened; unsigned values beyond the signed range come out negative, which
// every caller rejects as out of range.
Integers integers(py::handle object, char const* name, py::ssize_t minDims, py::ssize_t maxDims) {
    py::array const array = asArray(object, name);
    char const kind = array.dtype().kind();
    if ((kind != 'i' && kind != 'u') || array.ndim() < minDims || array.ndim() > maxDims)
        fail(name, std::string("expected an integer array of ") +
                       (maxDims == 1 ? "shape (n,)" : "shape (n,) or (m, k)") + ", got " +
                       describe(array));
    auto const values =
        py::array_t<long long, py::array::c_style | py::array::forcecast>::ensure(array);
    checkSize(static_cast<std::size_t>(values.size()), name);
    Integers result{std::vector<long long>(values.data(), values.data() + values.size()), {}};
    for (py::ssize_t d = 0; d < array.ndim(); ++d) result.shape.push_back(array.shape(d));
    return result;
}

// Every value in [0, limit), or equal to allowed.
void checkRange(std::vector<long long> const& values, long long limit, char const* name,
                char const* what, std::optional<long long> allowed = std::nullopt) {
    for (long long const value : values)
        if ((value < 0 || value >= limit) && value != allowed)
            fail(name, std::to_string(value) + " is out of range for " + std::to_string(limit) +
                           " " + what);
}

template <typename T>
std::vector<T> narrowed(std::vector<long long> const& values) {
    return std::vector<T>(values.begin(), values.end());
}

// UTF-8 with surrogate escapes, so that names that are not UTF-8 survive a round trip.
std::string encode(py::handle text, char const* name) {
    if (!py::isinstance<py::str>(text)) fail(name, "expected str or None entries");
    py::bytes const bytes = py::reinterpret_steal<py::bytes>(
        PyUnicode_AsEncodedString(text.ptr(), "utf-8", "surrogateescape"));
    if (!bytes) throw py::error_already_set();
    std::string result = bytes;
    if (result.find('\0') != std::string::npos) fail(name, "a name contains a NUL character");
    return result;
}

py::object decode(char const* text) {
    PyObject* const result =
        PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(std::strlen(text)), "surrogateescape");
    if (result == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(result);
}

// A copy shaped as given; odd surplus entries of a count (coordinates not making a full row)
// stay behind.
template <typename T>
py::object copied(T const* data, std::vector<py::ssize_t> shape) {
    if (data == nullptr) return py::none();
    py::array_t<T> array(shape);
    std::memcpy(array.mutable_data(), data, sizeof(T) * static_cast<std::size_t>(array.size()));
    return std::move(array);
}
}  // namespace

ArrayRecord::ArrayRecord(py::handle vertices, py::handle indices, py::handle counts,
                         OptionalArrays const& optional) {
    mMesh.vertexCoords = floatRows(vertices, "vertices", 3);
    setFaces(indices, counts);
    setTexCoords(optional.uvs, optional.uvIndices);
    setTextures(optional.textures, optional.textureStartFaces);
    setHoles(optional.holes);
}

void ArrayRecord::setFaces(py::handle indices, py::handle counts) {
    Integers const corners = integers(indices, "indices", 1, 2);
    mIndexShape = corners.shape;
    if (corners.shape.size() == 2) {
        if (!counts.is_none()) fail("counts", "must be None when indices has shape (m, k)");
        mMesh.counts.assign(static_cast<std::size_t>(corners.shape[0]),
                            static_cast<int>(corners.shape[1]));
    } else {
        if (counts.is_none()) fail("counts", "required when indices is flat");
        Integers const perFace = integers(counts, "counts", 1, 1);
        checkRange(perFace.values, INT_MAX, "counts", "corners per face");
        long long const sum = std::accumulate(perFace.values.begin(), perFace.values.end(), 0ll);
        if (sum != static_cast<long long>(corners.values.size()))
            fail("counts", "they add up to " + std::to_string(sum) + ", but there are " +
                               std::to_string(corners.values.size()) + " indices");
        mMesh.counts = narrowed<int>(perFace.values);
    }
    checkRange(corners.values, static_cast<long long>(mMesh.vertexCoords.size() / 3), "indices",
               "vertices");
    mMesh.indices = narrowed<int>(corners.values);
}

void ArrayRecord::setTexCoords(py::handle uvs, py::handle uvIndices) {
    if (uvs.is_none() != uvIndices.is_none())
        fail(uvs.is_none() ? "uvs" : "uv_indices", "uvs and uv_indices come together");
    if (uvs.is_none()) return;
    mMesh.texCoords = floatRows(uvs, "uvs", 2);
    Integers const corners = integers(uvIndices, "uv_indices", 1, 2);
    if (corners.shape != mIndexShape) fail("uv_indices", "must have the shape of indices");
    checkRange(corners.values, static_cast<long long>(mMesh.texCoords.size() / 2), "uv_indices",
               "texture coordinates");
    mMesh.texCoordIndices = narrowed<int>(corners.values);
}

void ArrayRecord::setTextures(py::handle textures, py::handle startFaces) {
    if (textures.is_none()) {
        if (!startFaces.is_none()) fail("texture_start_faces", "given without textures");
        return;
    }
    if (!py::isinstance<py::sequence>(textures) || py::isinstance<py::str>(textures))
        fail("textures", "expected a sequence of str or None");
    for (py::handle const texture : py::reinterpret_borrow<py::sequence>(textures)) {
        if (texture.is_none())
            mMesh.textures.emplace_back();
        else
            mMesh.textures.emplace_back(encode(texture, "textures"));
    }
    checkSize(mMesh.textures.size(), "textures");
    if (startFaces.is_none()) return;
    Integers const starts = integers(startFaces, "texture_start_faces", 1, 1);
    if (starts.values.size() != mMesh.textures.size())
        fail("texture_start_faces", "needs one entry per texture");
    checkRange(starts.values, static_cast<long long>(mMesh.counts.size()), "texture_start_faces",
               "faces");
    mMesh.textureStartFaces = narrowed<unsigned int>(starts.values);
}

void ArrayRecord::setHoles(py::handle holes) {
    if (holes.is_none()) return;
    Integers const entries = integers(holes, "holes", 1, 1);
    checkRange(entries.values, static_cast<long long>(mMesh.counts.size()), "holes", "faces",
               HOLES_END);
    mHoles = narrowed<unsigned int>(entries.values);
}

Cleanup::MeshData ArrayRecord::view() {
    Cleanup::MeshData data = mMesh.view();
    data.mHoles = mHoles.empty() ? nullptr : mHoles.data();
    data.mHolesCount = static_cast<int>(mHoles.size());
    return data;
}

py::dict toPython(Cleanup::MeshData const& data) {
    if (data.mConversionMessage != nullptr) warn(data.mConversionMessage);
    py::dict result;
    result["vertices"] = copied(data.mVertexCoords, {data.mVCCount / 3, 3});
    result["indices"] = copied(data.mIndices, {data.mIndexCount});
    result["counts"] = copied(data.mCounts, {data.mCountCount});
    result["uvs"] = copied(data.mTexCoords, {data.mTCCount / 2, 2});
    result["uv_indices"] = copied(data.mTCIndices, {data.mTCIndexCount});
    py::object textures = py::none();
    if (data.mTextures != nullptr) {
        py::list names;
        for (int i = 0; i < data.mTexturesCount; ++i)
            names.append(data.mTextures[i] != nullptr ? decode(data.mTextures[i]) : py::none());
        textures = names;
    }
    result["textures"] = textures;
    result["texture_start_faces"] =
        copied(data.mTexturesStartFaces, {data.mTexturesStartFacesCount});
    result["holes"] = copied(data.mHoles, {data.mHolesCount});
    return result;
}

void warn(char const* message) {
    if (PyErr_WarnEx(PyExc_RuntimeWarning, message, 1) < 0) throw py::error_already_set();
}

}  // namespace util::python
