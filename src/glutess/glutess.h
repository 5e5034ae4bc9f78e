#pragma once

/*
 * Polygon tessellator with the GLU tessellator's contract: contours are fed between
 * glutessTessBeginPolygon and glutessTessEndPolygon, and during glutessTessEndPolygon the
 * tessellator reports triangles by list, fan or strip (begin, vertex..., end), asks the combine
 * callback for a vertex at every edge intersection and fills by the odd winding rule.
 *
 * Unlike a bare GLU tessellator it is safe to feed with untrusted data and C++ callbacks:
 * - A polygon with a non-finite vertex coordinate (or ended while the normal set by
 *   glutessTessNormal is non-finite) is not tessellated at all: the error callback receives
 *   GLUTESS_TESS_COORD_NOT_FINITE and no other callback runs for it.
 * - An exception thrown by a callback is caught, the remaining callbacks of that polygon are
 *   suppressed, and the exception leaves glutessTessEndPolygon once the polygon is finished.
 *   The tessellator is then ready for the next polygon.
 * A polygon is buffered until glutessTessEndPolygon, so misuse errors (a vertex outside a
 * contour, say) are reported when they happen, as GLU would, but all tessellation work and its
 * callbacks happen during glutessTessEndPolygon.
 *
 * One tessellator serves one thread at a time; distinct tessellators are independent.
 */

#ifdef __cplusplus
extern "C" {
#endif

/* The library is built with hidden symbols; these are its whole interface. */
#define GLUTESS_API __attribute__((visibility("default")))

typedef struct GlutessTesselator GlutessTesselator;

/* Callbacks are registered through this type and cast back to their real signature. */
#ifdef __cplusplus
typedef void (*GlutessCallback)(void);
#else
typedef void (*GlutessCallback)();
#endif

/* Callback identifiers and their signatures (type is one of the primitive types below). */
#define GLUTESS_TESS_BEGIN 100100      /* void (unsigned int type) */
#define GLUTESS_TESS_VERTEX 100101     /* void (void* vertexData) */
#define GLUTESS_TESS_END 100102        /* void (void) */
#define GLUTESS_TESS_ERROR 100103      /* void (unsigned int code) */
#define GLUTESS_TESS_EDGE_FLAG 100104  /* void (unsigned char flag) */
#define GLUTESS_TESS_COMBINE 100105    /* void (double c[3], void* d[4], float w[4], void** out) */
#define GLUTESS_TESS_BEGIN_DATA 100106 /* as above, each with the polygon data appended */
#define GLUTESS_TESS_VERTEX_DATA 100107
#define GLUTESS_TESS_END_DATA 100108
#define GLUTESS_TESS_ERROR_DATA 100109
#define GLUTESS_TESS_EDGE_FLAG_DATA 100110
#define GLUTESS_TESS_COMBINE_DATA 100111

/* Primitive types passed to the begin callback. Registering an edge-flag callback restricts the
 * output to GLUTESS_TRIANGLES. */
#define GLUTESS_TRIANGLES 0x0004
#define GLUTESS_TRIANGLE_STRIP 0x0005
#define GLUTESS_TRIANGLE_FAN 0x0006

/* Error codes passed to the error callback. */
#define GLUTESS_INVALID_ENUM 100900
#define GLUTESS_OUT_OF_MEMORY 100902
#define GLUTESS_TESS_MISSING_BEGIN_POLYGON 100151
#define GLUTESS_TESS_MISSING_BEGIN_CONTOUR 100152
#define GLUTESS_TESS_MISSING_END_POLYGON 100153
#define GLUTESS_TESS_MISSING_END_CONTOUR 100154
#define GLUTESS_TESS_COORD_TOO_LARGE 100155
#define GLUTESS_TESS_NEED_COMBINE_CALLBACK 100156
#define GLUTESS_TESS_COORD_NOT_FINITE 100159

/* Null when out of memory. */
GLUTESS_API GlutessTesselator* glutessNewTess(void);
GLUTESS_API void glutessDeleteTess(GlutessTesselator* tess);

/* A null callback unregisters; a *_DATA callback takes precedence over its plain variant. */
GLUTESS_API void glutessTessCallback(GlutessTesselator* tess, unsigned int which,
                                     GlutessCallback callback);

/* polygonData is handed to every *_DATA callback of this polygon. */
GLUTESS_API void glutessTessBeginPolygon(GlutessTesselator* tess, void* polygonData);
GLUTESS_API void glutessTessBeginContour(GlutessTesselator* tess);
/* The plane's normal; (0, 0, 0), the initial value, lets the tessellator compute it. */
GLUTESS_API void glutessTessNormal(GlutessTesselator* tess, double x, double y, double z);
/* The coordinates are copied; vertexData comes back through the vertex callbacks. */
GLUTESS_API void glutessTessVertex(GlutessTesselator* tess, double const coords[3],
                                   void* vertexData);
GLUTESS_API void glutessTessEndContour(GlutessTesselator* tess);
GLUTESS_API void glutessTessEndPolygon(GlutessTesselator* tess);

/* Null for an unknown code. */
GLUTESS_API unsigned char const* glutessErrorString(unsigned int code);

#ifdef __cplusplus
}
#endif
