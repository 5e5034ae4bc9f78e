#pragma once

#include <vector>

#include "base/Vector3.h"
#include "mesh/Mesh.h"

namespace util {

// Single-face repairs used by the passes that merge or collapse corners. They edit a face's
// parallel lists (vertex, normal, ten UV lists) corner by corner, so the lists stay aligned.
class MeshCleanupUtils {
public:
    // Distance by which a vertex is nudged into its face to separate touching boundaries.
    static constexpr float INWARD_DISTANCE = 0.0016f;

    // Splits a face whose boundary touches itself into the outer boundary, which stays in face,
    // and the enclosed loops, which are appended to loops (a loop's own loops come before it).
    // Parts of fewer than 3 corners are dropped; with removeSpikes, near-zero angles at a
    // touching vertex are erased and loops get their own copy of the touching vertex, so
    // vertices may grow. False when the extraction failed; face is then left half done and the
    // caller restores it.
    static bool extractAndRemoveLoops(std::vector<Vector3<float>>& vertices, Mesh::Polygon& face,
                                      std::vector<Mesh::Polygon>& loops, bool removeSpikes);
    // Moves the vertex at corner position by INWARD_DISTANCE into the face (which must wind
    // counter-clockwise around its faceNormal) and recomputes faceNormal.
    static void moveVertexInwards(std::vector<Vector3<float>>& vertices, Mesh::Polygon& face,
                                  unsigned long position);

    // Removes repeated consecutive corners (cyclically); a face left with fewer than 3 corners
    // is emptied. True when the face changed.
    static bool removeCollapsedEdges(Mesh::Polygon& face);
    // Drops faces without corners, keeping the order of the others. Holes and materials are
    // the caller's business.
    static void simpleRemoveEmptyFaces(std::vector<Mesh::Polygon>& faces);
    // The index each of vertexCount vertices gets when the vertices that no face uses are taken
    // out, keeping their order; UNUSED for those. Empty when every vertex is used.
    static constexpr unsigned int UNUSED = 0xFFFFFFFFu;
    static std::vector<unsigned int> keptVertexIndices(std::vector<Mesh::Polygon> const& faces,
                                                       std::size_t vertexCount);
    // The same from marks, non-zero for each vertex in use, for a caller that marks as it walks.
    static std::vector<unsigned int> keptVertexIndices(std::vector<unsigned char> const& used);

    // Merging faces across shared edges.
    //
    // The run of vertices that a and b share in opposite directions, looked for from the first
    // occurrence of sharedVertex in a: a[startA ... startA + length - 1] (cyclic), which b runs
    // through backwards, ending at startB (b[startB] == a[startA]). length is 0 when
    // sharedVertex is not in a or no vertex is shared, and never exceeds the smaller face.
    static void findCommonInvertedSequence(std::vector<unsigned int> const& a,
                                           std::vector<unsigned int> const& b,
                                           unsigned long& startA, unsigned long& startB,
                                           unsigned long& length, unsigned long sharedVertex);
    // Merges b into a across their common run through sharedVertex: a gets b's corners off the
    // run followed by its own from the run's far end round to its near end, with normal and UV
    // indices where both faces have them, and a recomputed faceNormal; b is emptied. Two faces
    // that are exactly the run are both emptied. A run of fewer than 2 vertices changes nothing.
    static void mergeFacesWithSharedEdge(std::vector<Vector3<float>> const& vertices,
                                         Mesh::Polygon& a, Mesh::Polygon& b,
                                         unsigned long sharedVertex);
    enum MergeResult { MERGE_NONE, MERGE_CANCELLED, MERGE_DONE };
    // The merge above without touching a and b: MERGE_DONE leaves the merged corners in merged,
    // with faceNormal zero, for callers that may still reject it on its corners and would
    // otherwise have to copy both faces and compute a normal first.
    static MergeResult mergedFace(Mesh::Polygon const& a, Mesh::Polygon const& b,
                                  unsigned long sharedVertex, Mesh::Polygon& merged);
    // Texture coordinates closer than this count as equal.
    static constexpr float UV_TOLERANCE = 0.001f;
    // Corner cornerA of face a and corner cornerB of face b have equal materials and, in every
    // UV set that face a uses, coordinates closer than UV_TOLERANCE.
    static bool sameUVs(Mesh const& mesh, unsigned int a, unsigned int b, unsigned long cornerA,
                        unsigned long cornerB);
    // The corner's texture coordinates, in every set the face uses, lie within UV_TOLERANCE of
    // the interpolation between its neighbours by distance. Coincident neighbours pass.
    static bool uvsAreLinearInterpolation(Mesh const& mesh, Mesh::Polygon const& face,
                                          unsigned long corner);
    // point lies within 0.0008 of the edge's line and no farther than length from either end.
    static bool vertexIsOnEdge(Vector3<float> const& point, Vector3<float> const& start,
                               Vector3<float> const& direction, float length);
};

}  // namespace util
