/* The header must serve C callers: a square tessellated from C, without polygon data. */
#include "glutess/glutess.h"

static unsigned int cType;
static int cVertices, cTriangles;

static void onBegin(unsigned int type) { cType = type, cVertices = 0; }
static void onVertex(void* vertexData) { (void)vertexData, ++cVertices; }
static void onEnd(void) {
    cTriangles += cType == GLUTESS_TRIANGLES ? cVertices / 3 : cVertices - 2;
}

int glutessCSquareTriangleCount(void) {
    static double const square[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    GlutessTesselator* tess = glutessNewTess();
    int i;
    cTriangles = 0;
    glutessTessCallback(tess, GLUTESS_TESS_BEGIN, (GlutessCallback)onBegin);
    glutessTessCallback(tess, GLUTESS_TESS_VERTEX, (GlutessCallback)onVertex);
    glutessTessCallback(tess, GLUTESS_TESS_END, (GlutessCallback)onEnd);
    glutessTessBeginPolygon(tess, 0);
    glutessTessBeginContour(tess);
    for (i = 0; i < 4; ++i) glutessTessVertex(tess, square[i], 0);
    glutessTessEndContour(tess);
    glutessTessEndPolygon(tess);
    glutessDeleteTess(tess);
    return cTriangles;
}
