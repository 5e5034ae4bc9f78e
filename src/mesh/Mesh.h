#pragma once

#include <boost/dynamic_bitset.hpp>
#include <boost/thread/mutex.hpp>
#include <memory>
#include <string>
#include <vector>

#include "base/BasicBoundingBox.h"
#include "base/Export.h"
#include "base/Matrix.h"
#include "base/Vector3.h"
#include "material/Material.h"
#include "mesh/MeshBase.h"

namespace util {

class BasicEdgeMap;

// The library's polygon mesh: shared vertices, polygonal faces with optional holes, up to ten
// UV sets and per-face-range materials. Every cleanup pass is a member that returns what it
// changed and clears the cache.
//
// Holes: mHoles is a flat list of groups {encircling face, its hole faces..., HOLES_END}; hole
// faces are ordinary faces. Face materials: mFaceMaterials[k] applies from face
// mFaceMaterialStartIndices[k] up to the next start; both empty means mDefaultMaterial for all,
// and the vectors never hold exactly one range.
//
// Threads: only the cache is synchronised. A mesh must not change while another thread reads it;
// concurrent readers may use the cache queries.
class TOOLBOX_API Mesh : public MeshBase {
public:
    static constexpr unsigned int HOLES_END = 0xFFFFFFFFu;
    static constexpr unsigned int UV_SET_COUNT = 10;
    enum UVSet { COLORMAP = 0, BUMPMAP = 1 };
    // One cache-key slot per client that attaches its own derived data to meshes.
    enum KEY {
        KEY_GENERIC = 0,
        KEY_INTERSECTOR = 1,
        KEY_RESERVED_2 = 2,
        KEY_RESERVED_3 = 3,
        KEY_PICKER = 4
    };
    static constexpr unsigned int KEY_COUNT = 5;
    enum RemoveFacesDoubleMode {
        RFD_BOTH_OPPOSITE = 0,
        RFD_SAME_ORIENTATION = 1,
        RFD_ANY_ORIENTATION = 2
    };

    // One face. Every edit keeps the parallel lists (vertex, normal, ten UV lists) aligned
    // corner by corner. In face-edge mode normalIndices holds running edge numbers instead:
    // entry k names the edge from corner k to corner k+1.
    class TOOLBOX_API Polygon {
    public:
        std::vector<unsigned int> vertexIndices;
        std::vector<unsigned int> normalIndices;
        std::vector<unsigned int> uvIndices[UV_SET_COUNT];
        Vector3<float> faceNormal;
        bool faceEdgeIndicesSet = false;

        Polygon() = default;
        explicit Polygon(std::vector<unsigned int> const& vertexIndices);
        Polygon(std::vector<unsigned int> const& vertexIndices, Vector3<float> const& faceNormal);

        bool hasUVs() const;
        // Empties all twelve index lists; the face stays until removeEmptyFaces.
        void clearIndices();

        // Reversed cyclic sequence with the old first entry at position shift mod n.
        static void invertVector(std::vector<unsigned int>& list, unsigned long shift);
        void invert();
        void eraseIndex(unsigned long position, std::vector<Vector3<float>> const& vertices);
        // Inserts corner sourcePosition of source before corner position; returns where it ends.
        unsigned long insertIndex(Polygon const& source, unsigned long sourcePosition,
                                  unsigned long position);
        void pushBackIndices(Polygon const& source, unsigned long sourcePosition,
                             bool skipDuplicate);
    };

    // Derived data computed on demand under its own mutex and dropped whenever the mesh
    // changes. Lock order: a caller's cache lock (triangle-mesh cache, key manager) before this.
    // Pointers returned stay valid until the next clear().
    class TOOLBOX_API Cache {
    public:
        Cache();
        ~Cache();
        Cache(Cache const&) = delete;
        Cache& operator=(Cache const&) = delete;

        BasicBoundingBox<float> const* getBoundingBox(Mesh const& mesh);
        BasicEdgeMap const* getEdgeMap(Mesh const& mesh);
        bool isClosedSurface(Mesh const& mesh);
        // The first caller for a key fixes the mesh's identifier for it; 0 means no key.
        unsigned long getOrSetCacheKey(KEY key, unsigned long candidate);
        void clear();

    private:
        TOOLBOX_LOCAL void clearLocked();

        boost::mutex mMutex;  // guards every field below
        std::unique_ptr<BasicBoundingBox<float>> mBoundingBox;
        bool mClosedSurfaceKnown = false;
        bool mClosedSurface = false;
        std::unique_ptr<BasicEdgeMap> mEdgeMap;
        std::unique_ptr<unsigned long[]> mCacheKeys;
    };

    // Construction. Every constructor leaves exactly ten UV sets.
    explicit Mesh(std::string const& name);
    Mesh(std::string const& name, Material const& material);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Polygon> const& faces);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Polygon> const& faces, Material const& material);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Vector3<float>> const& normals, std::vector<Polygon> const& faces);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Polygon> const& edgeFaces, std::vector<Polygon> const& vertexFaces,
         Material const& material);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Vector3<float>> const& normals,
         std::vector<std::vector<TexCoord>> const& uvSets, std::vector<Polygon> const& faces,
         Material const& material);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Vector3<float>> const& normals,
         std::vector<std::vector<TexCoord>> const& uvSets, std::vector<Polygon> const& faces,
         Material const& material, std::vector<unsigned int> const& holes);
    Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
         std::vector<Polygon> const& faces, std::vector<unsigned int> const& holes);

    // From the flat arrays of a host record. Faces with fewer than 3 corners are dropped and
    // reported in *message. Callers guarantee that counts, indices and array sizes agree.
    Mesh(char const* name, int vcCount, float const* vertexCoords, int indexCount,
         int const* indices, int countCount, int const* counts, unsigned int const* holes,
         int holesCount, std::vector<Material> const* materials,
         std::vector<unsigned int> const* startIndices, std::string* message);
    Mesh(char const* name, int vcCount, float const* vertexCoords, int indexCount,
         int const* indices, int tcCount, float const* texCoords, int const* tcIndices,
         int countCount, int const* counts, unsigned int const* holes, int holesCount,
         std::vector<Material> const* materials, std::vector<unsigned int> const* startIndices,
         std::string* message);

    // The library's record frame: what the array constructors do, on a mesh constructed from a
    // name alone. With roomToGrow the face list has room for a quarter more faces, for a pass
    // that appends faces: growing a list of a million faces later would move every one.
    TOOLBOX_LOCAL void initFromArrays(char const* name, int vcCount, float const* vertexCoords,
                                      int const* indices, int tcCount, float const* texCoords,
                                      int const* tcIndices, int countCount, int const* counts,
                                      unsigned int const* holes, int holesCount,
                                      std::vector<Material> const* materials,
                                      std::vector<unsigned int> const* startIndices,
                                      std::string* message, bool roomToGrow);

    Mesh(Mesh const& source);
    // Transformed copy; with a material, the copy has that single material.
    Mesh(Mesh const& source, Matrix<float> const& m, Material const* material);
    Mesh& operator=(Mesh const& source);
    ~Mesh() override;

    virtual Mesh* getTransformedCopy(Matrix<float> const& m) const;
    // Geometry only: positions, corner lists, holes; no normals, UVs or face materials.
    virtual Mesh* getTransformedCopyBasic(Matrix<float> const& m) const;

    // Holes structure queries; each uses the first group of a face.
    unsigned long getFaceHolesCount(unsigned int face) const;
    // Throws std::runtime_error("illegal hole index.") when face encircles nothing.
    unsigned int getFaceHole(unsigned int face, unsigned int i) const;
    bool faceIsHole(unsigned int face) const;
    void dropHoleInfo() { mHoles.clear(); }

    // mVertexFaces if non-empty, else mEdgeFaces if non-empty, else mFaces.
    std::vector<Polygon> const& getActiveFaces() const;
    std::vector<Polygon>& getActiveFaces();
    Material const& getFaceMaterial(unsigned int face) const;

    void setFaceEdgeIndices(unsigned long start);
    void clearFaceEdgeIndices();
    bool hasFaceEdgeIndicesSet() const;

    void calcFaceNormals();
    Cache& getCache() const { return mCache; }

    // Maintenance and cleanup passes. Selections are one bit per vertex; null means none.
    unsigned long deleteUnusedVertices(boost::dynamic_bitset<>* vertexFlags);
    // Takes emptied faces out, keeping holes and material ranges consistent; fills removed
    // (when given) with the old indices of the removed faces, ascending.
    void removeEmptyFaces(std::vector<unsigned int>* removed);
    unsigned long removeZeroEdges(float threshold);
    // keepEmptyFaces: the faces the pass empties stay in place and no vertex is dropped, for a
    // caller that takes both out itself (polygon meshes; line elements always go).
    unsigned long removeZeroEdges(float threshold, bool keepEmptyFaces);
    unsigned long removeZeroFaces(float threshold, bool keepEmptyFaces);
    bool removeCollapsedEdges(bool keepEmptyFaces, bool noLoopSplit,
                              std::vector<unsigned int>* removedFaces, bool noAreaCheck,
                              bool noHoleCheck);
    // Empties holes that are not proper holes of their face, optionally turns holes that face
    // the same way as their face, and deletes what was emptied.
    void cleanupHoles(unsigned long& removedEntries, unsigned long& removedHoles,
                      unsigned long& invertedHoles, bool preserve, bool sanitize);
    void cleanupFaceHolesUsingOctree(unsigned long& removedHoles, unsigned long& invertedHoles,
                                     Polygon const& face, unsigned int faceIndex,
                                     unsigned long holeCount, bool preserve);
    // The hole-by-hole check of the first group of face, whatever its size; reaches the same
    // decisions as the octree route.
    void cleanupFaceHolesDirectly(unsigned long& removedHoles, unsigned long& invertedHoles,
                                  unsigned int faceIndex, bool preserve);

    // Welds vertices within tolerance (model units, inclusive, compared squared) of each other
    // onto the lowest-indexed vertex near them, without chaining. Vertices from candidateStart
    // on may weld, those from first on start groups; a selection (one bit per vertex, followed
    // through the renumbering) limits both. Welds that would pinch a face, tear a hole from its
    // outline or, above 0.15, turn a face over are refused. Then collapsed corners go, unused
    // vertices too unless keepElements, and face normals are recomputed. Returns the number of
    // vertices welded away. Throws RuntimeErrorST for a vertex with non-finite coordinates once
    // the octree search is in use (1000 candidates on); the mesh is unchanged then.
    unsigned long mergeDuplicateVertices(float tolerance, unsigned long first,
                                         unsigned long candidateStart, bool keepElements,
                                         std::vector<unsigned int>* removedFaces, bool areaCheck,
                                         bool strictHoles,
                                         boost::dynamic_bitset<>* vertexSelection);
    // Coplanar merging. Dissolves edges between neighbouring faces whose normals differ by less
    // than toleranceDegrees, flattest pairs first; holes are carried along, and merged faces
    // whose boundary touches itself are split into an outline and loops that become holes.
    // A negative tolerance merges only touching holes of one face. checkUVs keeps edges where
    // materials or texture coordinates differ; selection (one bit per vertex, or null) limits
    // the edges considered. Returns the number of edges removed.
    unsigned long removeEdgesCoplanar(float toleranceDegrees, bool checkUVs, bool keepEmptyFaces,
                                      boost::dynamic_bitset<>* selection);
    // Gives hole faces their own copies of the vertices they share with other faces, each copy
    // nudged into its hole; vertexFlags (when given) grows with the copies, which take the bit
    // of their original.
    void detachSharedHoleVertices(boost::dynamic_bitset<>* vertexFlags);
    // Removes faces over the same cyclic vertex sequence as an earlier face (indices only, not
    // positions), with the holes of every removed face; RFD_BOTH_OPPOSITE removes both faces of
    // an opposite pair, other modes the later copy. With compareUVs, copies must also agree in
    // material and in every UV set within 0.001. Returns the number of faces removed.
    unsigned long removeFacesDouble(RemoveFacesDoubleMode mode, bool compareUVs,
                                    boost::dynamic_bitset<>* vertexSelection);
    // Removes corners whose edges meet at tolerance degrees or less short of 180. A vertex
    // joined to more than two others is never removed; with checkUVs, neither is one whose
    // texture coordinates are not interpolated along its edges, in any face sharing them.
    // Returns the number of corners removed or faces emptied.
    unsigned long removeColinearPoints(float tolerance, bool checkUVs,
                                       boost::dynamic_bitset<>* vertexSelection,
                                       bool keepBorderVertices);

    // What conformNormals would do to the faces.
    struct OrientationReport {
        unsigned long turnedFaces = 0;
        unsigned long components = 0;
        unsigned long openComponents = 0;  // with an edge that only one face uses
    };
    // Winds the faces consistently: faces joined by edges of exactly two faces, and holes with
    // their face, form a component that takes one winding and is then turned to face away from
    // a point below it, judged with the positions transformed by m (the mesh is not moved).
    // Vertex normals are dropped, since turned faces would contradict them.
    void conformNormals(Matrix<float> const& m);
    OrientationReport getOrientationReport(Matrix<float> const& m) const;

    std::string mName;
    std::vector<Vector3<float>> mVertices;
    std::vector<Vector3<float>> mNormals;
    std::vector<std::vector<TexCoord>> mTexCoords;
    std::vector<Polygon> mFaces;
    std::vector<Polygon> mEdgeFaces;
    std::vector<Polygon> mVertexFaces;
    Material mDefaultMaterial;
    std::vector<Material> mFaceMaterials;
    std::vector<unsigned int> mFaceMaterialStartIndices;
    std::vector<unsigned int> mHoles;

private:
    // Hole repair: checks one group hole by hole against its face and earlier holes;
    // returns the position after the group.
    TOOLBOX_LOCAL std::size_t cleanupGroupDirectly(unsigned long& removedHoles,
                                                   unsigned long& invertedHoles,
                                                   std::size_t groupStart, bool preserve);
    TOOLBOX_LOCAL bool useOctreeRoute(std::size_t groupStart, unsigned long holeCount) const;
    // cleanupFaceHolesUsingOctree on the group that starts at position group.
    TOOLBOX_LOCAL void cleanupGroupUsingOctree(unsigned long& removedHoles,
                                               unsigned long& invertedHoles, Polygon const& face,
                                               unsigned int faceIndex, unsigned long holeCount,
                                               std::size_t group, bool preserve);
    // Position of the first group encircled by face, or mHoles.size() when there is none.
    TOOLBOX_LOCAL std::size_t firstHoleGroup(unsigned int face) const;
    // earlierHoles: the group's earlier entries that may still have corners; emptied ones are
    // dropped from it on the way.
    TOOLBOX_LOCAL bool holeIsRejected(unsigned int face, unsigned int hole,
                                      std::vector<unsigned int>& earlierHoles) const;
    TOOLBOX_LOCAL bool holesConflict(unsigned int hole, unsigned int earlier) const;
    TOOLBOX_LOCAL void invertIfFacingTheSameWay(unsigned long& invertedHoles, unsigned int face,
                                                unsigned int hole, bool preserve);

    mutable Cache mCache;
};

}  // namespace util
