/* The header must serve C callers: a square tessellated from C. */
#include "glutess/glutess.h"

struct Count {
    unsigned int type;
    int vertices;
    int triangles;
};

static void onBegin(unsigned int type, void* data) {
    struct Count* count = (struct Count*)data;
    count->type = type;
    count->vertices = 0;
}

static void onVertex(void* vertexData, void* data) {
    (void)vertexData;
    ++((struct Count*)data)->vertices;
}

static void onEnd(void* data) {
    struct Count* count = (struct Count*)data;
    count->triangles +=
        count->type == GLUTESS_TRIANGLES ? count->vertices / 3 : count->vertices - 2;
}

int glutessCSquareTriangleCount(void) {
    static double const square[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    struct Count count = {0, 0, 0};
    GlutessTesselator* tess = glutessNewTess();
    int i;
    glutessTessCallback(tess, GLUTESS_TESS_BEGIN_DATA, (GlutessCallback)onBegin);
    glutessTessCallback(tess, GLUTESS_TESS_VERTEX_DATA, (GlutessCallback)onVertex);
    glutessTessCallback(tess, GLUTESS_TESS_END_DATA, (GlutessCallback)onEnd);
    glutessTessBeginPolygon(tess, &count);
    glutessTessBeginContour(tess);
    for (i = 0; i < 4; ++i) glutessTessVertex(tess, square[i], 0);
    glutessTessEndContour(tess);
    glutessTessEndPolygon(tess);
    glutessDeleteTess(tess);
    return count.triangles;
}
