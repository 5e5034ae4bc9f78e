#include "glutess/glutess.h"

#include <GL/glu.h>

#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

using BeginFn = void (*)(unsigned int);
using BeginDataFn = void (*)(unsigned int, void*);
using VertexFn = void (*)(void*);
using VertexDataFn = void (*)(void*, void*);
using EndFn = void (*)();
using EndDataFn = void (*)(void*);
using ErrorFn = void (*)(unsigned int);
using ErrorDataFn = void (*)(unsigned int, void*);
using EdgeFlagFn = void (*)(unsigned char);
using EdgeFlagDataFn = void (*)(unsigned char, void*);
using CombineFn = void (*)(double*, void**, float*, void**);
using CombineDataFn = void (*)(double*, void**, float*, void**, void*);

// Ordered: GLU walks one level at a time between these, and so do we.
enum class State { DORMANT, IN_POLYGON, IN_CONTOUR };

struct Command {
    enum Kind { BEGIN_CONTOUR, VERTEX, END_CONTOUR } kind;
    double coords[3];
    void* data;
};

struct GluTessDeleter {
    void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};

bool isFinite(double const* coords) {
    return std::isfinite(coords[0]) && std::isfinite(coords[1]) && std::isfinite(coords[2]);
}

}  // namespace

// The handle. GLU receives this struct as its polygon data, so that the trampolines below find
// the user's callbacks and can keep exceptions from unwinding through GLU's C frames.
struct GlutessTesselator {
    std::unique_ptr<GLUtesselator, GluTessDeleter> glu;

    BeginFn begin = nullptr;
    BeginDataFn beginData = nullptr;
    VertexFn vertex = nullptr;
    VertexDataFn vertexData = nullptr;
    EndFn end = nullptr;
    EndDataFn endData = nullptr;
    ErrorFn error = nullptr;
    ErrorDataFn errorData = nullptr;
    EdgeFlagFn edgeFlag = nullptr;
    EdgeFlagDataFn edgeFlagData = nullptr;
    CombineFn combine = nullptr;
    CombineDataFn combineData = nullptr;

    State state = State::DORMANT;
    void* polygonData = nullptr;
    // The polygon reaches GLU only once all of it is known to be finite: GLU crashes on NaN.
    std::vector<Command> commands;
    bool polygonRejected = false;
    bool normalFinite = true;

    // Set while GLU runs: the first exception of a callback, after which callbacks are muted.
    std::exception_ptr pending;
    bool muted = false;

    void reportError(unsigned int code) {
        if (errorData) {
            errorData(code, polygonData);
        } else if (error) {
            error(code);
        }
    }

    // Everything GLU calls back goes through here while GLU's frames are on the stack.
    template <typename F>
    void guarded(F const& call) noexcept {
        if (muted) return;
        try {
            call();
        } catch (...) {
            pending = std::current_exception();
            muted = true;
        }
    }

    void beginPolygon(void* data) {
        state = State::IN_POLYGON;
        polygonData = data;
        commands.clear();
        polygonRejected = false;
    }
    void beginContour() {
        commands.push_back({Command::BEGIN_CONTOUR, {}, nullptr});
        state = State::IN_CONTOUR;
    }
    void endContour() {
        commands.push_back({Command::END_CONTOUR, {}, nullptr});
        state = State::IN_POLYGON;
    }
    void makeDormant() {
        commands.clear();
        state = State::DORMANT;
    }

    // GLU's recovery from misuse: report each missing step and take it.
    void gotoState(State target) {
        while (state != target) {
            if (state < target) {
                if (state == State::DORMANT) {
                    reportError(GLUTESS_TESS_MISSING_BEGIN_POLYGON);
                    beginPolygon(nullptr);
                } else {
                    reportError(GLUTESS_TESS_MISSING_BEGIN_CONTOUR);
                    beginContour();
                }
            } else if (state == State::IN_CONTOUR) {
                reportError(GLUTESS_TESS_MISSING_END_CONTOUR);
                endContour();
            } else {
                reportError(GLUTESS_TESS_MISSING_END_POLYGON);
                makeDormant();
            }
        }
    }

    void syncEdgeFlagRegistration() {
        // GLU gives up fans and strips as soon as any edge-flag callback is registered.
        bool const wanted = edgeFlag != nullptr || edgeFlagData != nullptr;
        gluTessCallback(glu.get(), GLU_TESS_EDGE_FLAG_DATA,
                        wanted ? reinterpret_cast<_GLUfuncptr>(&onEdgeFlag) : nullptr);
    }

    void tessellate();

    static GlutessTesselator& self(void* data) { return *static_cast<GlutessTesselator*>(data); }
    static void GLAPIENTRY onBegin(GLenum type, void* data);
    static void GLAPIENTRY onVertex(void* vertex, void* data);
    static void GLAPIENTRY onEnd(void* data);
    static void GLAPIENTRY onError(GLenum code, void* data);
    static void GLAPIENTRY onEdgeFlag(GLboolean flag, void* data);
    static void GLAPIENTRY onCombine(GLdouble* coords, void** neighbours, GLfloat* weights,
                                     void** out, void* data);
};

void GLAPIENTRY GlutessTesselator::onBegin(GLenum type, void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] {
        if (t.beginData) {
            t.beginData(type, t.polygonData);
        } else if (t.begin) {
            t.begin(type);
        }
    });
}

void GLAPIENTRY GlutessTesselator::onVertex(void* vertex, void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] {
        if (t.vertexData) {
            t.vertexData(vertex, t.polygonData);
        } else if (t.vertex) {
            t.vertex(vertex);
        }
    });
}

void GLAPIENTRY GlutessTesselator::onEnd(void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] {
        if (t.endData) {
            t.endData(t.polygonData);
        } else if (t.end) {
            t.end();
        }
    });
}

void GLAPIENTRY GlutessTesselator::onError(GLenum code, void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] { t.reportError(code); });
}

void GLAPIENTRY GlutessTesselator::onEdgeFlag(GLboolean flag, void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] {
        if (t.edgeFlagData) {
            t.edgeFlagData(flag, t.polygonData);
        } else if (t.edgeFlag) {
            t.edgeFlag(flag);
        }
    });
}

// Leaving *out null (no callback, or muted) makes GLU fall back or report
// GLUTESS_TESS_NEED_COMBINE_CALLBACK, exactly as without a combine callback.
void GLAPIENTRY GlutessTesselator::onCombine(GLdouble* coords, void** neighbours, GLfloat* weights,
                                             void** out, void* data) {
    GlutessTesselator& t = self(data);
    t.guarded([&] {
        if (t.combineData) {
            t.combineData(coords, neighbours, weights, out, t.polygonData);
        } else if (t.combine) {
            t.combine(coords, neighbours, weights, out);
        }
    });
}

void GlutessTesselator::tessellate() {
    GLUtesselator* const tess = glu.get();
    pending = nullptr;
    muted = false;
    gluTessBeginPolygon(tess, this);
    for (Command& command : commands) {
        switch (command.kind) {
            case Command::BEGIN_CONTOUR:
                gluTessBeginContour(tess);
                break;
            case Command::VERTEX:
                gluTessVertex(tess, command.coords, command.data);
                break;
            case Command::END_CONTOUR:
                gluTessEndContour(tess);
                break;
        }
    }
    gluTessEndPolygon(tess);
    commands.clear();
    muted = false;
    if (pending) std::rethrow_exception(std::exchange(pending, nullptr));
}

extern "C" {

GlutessTesselator* glutessNewTess(void) {
    std::unique_ptr<GlutessTesselator> tess(new (std::nothrow) GlutessTesselator);
    if (!tess) return nullptr;
    tess->glu.reset(gluNewTess());
    if (!tess->glu) return nullptr;
    GLUtesselator* const glu = tess->glu.get();
    gluTessCallback(glu, GLU_TESS_BEGIN_DATA,
                    reinterpret_cast<_GLUfuncptr>(&GlutessTesselator::onBegin));
    gluTessCallback(glu, GLU_TESS_VERTEX_DATA,
                    reinterpret_cast<_GLUfuncptr>(&GlutessTesselator::onVertex));
    gluTessCallback(glu, GLU_TESS_END_DATA,
                    reinterpret_cast<_GLUfuncptr>(&GlutessTesselator::onEnd));
    gluTessCallback(glu, GLU_TESS_ERROR_DATA,
                    reinterpret_cast<_GLUfuncptr>(&GlutessTesselator::onError));
    gluTessCallback(glu, GLU_TESS_COMBINE_DATA,
                    reinterpret_cast<_GLUfuncptr>(&GlutessTesselator::onCombine));
    return tess.release();
}

void glutessDeleteTess(GlutessTesselator* tess) {
    std::unique_ptr<GlutessTesselator> const owner(tess);
    owner->gotoState(State::DORMANT);
}

void glutessTessCallback(GlutessTesselator* tess, unsigned int which, GlutessCallback callback) {
    switch (which) {
        case GLUTESS_TESS_BEGIN:
            tess->begin = reinterpret_cast<BeginFn>(callback);
            break;
        case GLUTESS_TESS_BEGIN_DATA:
            tess->beginData = reinterpret_cast<BeginDataFn>(callback);
            break;
        case GLUTESS_TESS_VERTEX:
            tess->vertex = reinterpret_cast<VertexFn>(callback);
            break;
        case GLUTESS_TESS_VERTEX_DATA:
            tess->vertexData = reinterpret_cast<VertexDataFn>(callback);
            break;
        case GLUTESS_TESS_END:
            tess->end = reinterpret_cast<EndFn>(callback);
            break;
        case GLUTESS_TESS_END_DATA:
            tess->endData = reinterpret_cast<EndDataFn>(callback);
            break;
        case GLUTESS_TESS_ERROR:
            tess->error = reinterpret_cast<ErrorFn>(callback);
            break;
        case GLUTESS_TESS_ERROR_DATA:
            tess->errorData = reinterpret_cast<ErrorDataFn>(callback);
            break;
        case GLUTESS_TESS_EDGE_FLAG:
            tess->edgeFlag = reinterpret_cast<EdgeFlagFn>(callback);
            tess->syncEdgeFlagRegistration();
            break;
        case GLUTESS_TESS_EDGE_FLAG_DATA:
            tess->edgeFlagData = reinterpret_cast<EdgeFlagDataFn>(callback);
            tess->syncEdgeFlagRegistration();
            break;
        case GLUTESS_TESS_COMBINE:
            tess->combine = reinterpret_cast<CombineFn>(callback);
            break;
        case GLUTESS_TESS_COMBINE_DATA:
            tess->combineData = reinterpret_cast<CombineDataFn>(callback);
            break;
        default:
            tess->reportError(GLUTESS_INVALID_ENUM);
            break;
    }
}

void glutessTessBeginPolygon(GlutessTesselator* tess, void* polygonData) {
    tess->gotoState(State::DORMANT);
    tess->beginPolygon(polygonData);
}

void glutessTessBeginContour(GlutessTesselator* tess) {
    tess->gotoState(State::IN_POLYGON);
    tess->beginContour();
}

void glutessTessNormal(GlutessTesselator* tess, double x, double y, double z) {
    double const normal[3] = {x, y, z};
    tess->normalFinite = isFinite(normal);
    if (tess->normalFinite) gluTessNormal(tess->glu.get(), x, y, z);
}

void glutessTessVertex(GlutessTesselator* tess, double const coords[3], void* vertexData) {
    tess->gotoState(State::IN_CONTOUR);
    if (tess->polygonRejected) return;
    if (!isFinite(coords)) {
        tess->polygonRejected = true;
        return;
    }
    tess->commands.push_back({Command::VERTEX, {coords[0], coords[1], coords[2]}, vertexData});
}

void glutessTessEndContour(GlutessTesselator* tess) {
    tess->gotoState(State::IN_CONTOUR);
    tess->endContour();
}

void glutessTessEndPolygon(GlutessTesselator* tess) {
    tess->gotoState(State::IN_POLYGON);
    tess->state = State::DORMANT;
    if (tess->polygonRejected || !tess->normalFinite) {
        tess->commands.clear();
        tess->reportError(GLUTESS_TESS_COORD_NOT_FINITE);
        return;
    }
    tess->tessellate();
}

unsigned char const* glutessErrorString(unsigned int code) {
    if (code == GLUTESS_TESS_COORD_NOT_FINITE) {
        return reinterpret_cast<unsigned char const*>("coordinate is not finite");
    }
    return gluErrorString(code);
}

}  // extern "C"
