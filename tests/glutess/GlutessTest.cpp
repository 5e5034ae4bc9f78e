#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <stdexcept>
#include <vector>

#include "glutess/glutess.h"

extern "C" int glutessCSquareTriangleCount(void);

namespace {

struct Point {
    double x, y, z;
};
using Contour = std::vector<Point>;

// Polygon data of every test polygon: what the tessellator reported, as triangles.
struct Recorder {
    std::vector<std::array<Point const*, 3>> triangles;
    std::vector<unsigned int> errors;
    std::deque<Point> combined;  // stable addresses, handed back as vertex data
    unsigned int type = 0;
    std::vector<Point const*> primitive;
    int callbacks = 0;
    int throwOnCallback = -1;  // throws at this callback number

    // Every callback but the error one counts itself here first.
    static Recorder& count(void* data) {
        Recorder& r = *static_cast<Recorder*>(data);
        if (r.callbacks++ == r.throwOnCallback) throw std::logic_error("callback failed");
        return r;
    }
};

void onBegin(unsigned int type, void* data) {
    Recorder& r = Recorder::count(data);
    r.type = type;
    r.primitive.clear();
}

void onVertex(void* vertex, void* data) {
    Recorder::count(data).primitive.push_back(static_cast<Point const*>(vertex));
}

void onEnd(void* data) {
    Recorder& r = Recorder::count(data);
    std::vector<Point const*> const& p = r.primitive;
    for (std::size_t k = 0; k + 2 < p.size(); k += r.type == GLUTESS_TRIANGLES ? 3 : 1)
        r.triangles.push_back({r.type == GLUTESS_TRIANGLE_FAN ? p[0] : p[k], p[k + 1], p[k + 2]});
}

void onError(unsigned int code, void* data) {
    static_cast<Recorder*>(data)->errors.push_back(code);
}

void onCombine(double* coords, void**, float*, void** out, void* data) {
    Recorder& r = Recorder::count(data);
    r.combined.push_back({coords[0], coords[1], coords[2]});
    *out = &r.combined.back();
}

template <typename F>
GlutessCallback callback(F* f) {
    return reinterpret_cast<GlutessCallback>(f);
}

double totalArea(Recorder const& r) {
    double sum = 0;
    for (auto const& [a, b, c] : r.triangles)
        sum += std::abs((b->x - a->x) * (c->y - a->y) - (c->x - a->x) * (b->y - a->y)) / 2;
    return sum;
}

Contour const BOW_TIE{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};

Contour square(double lo, double hi) {
    return {{lo, lo, 0}, {hi, lo, 0}, {hi, hi, 0}, {lo, hi, 0}};
}

class GlutessTest : public ::testing::Test {
protected:
    void SetUp() override {
        mTess = glutessNewTess();
        ASSERT_NE(mTess, nullptr);
        glutessTessCallback(mTess, GLUTESS_TESS_BEGIN_DATA, callback(&onBegin));
        glutessTessCallback(mTess, GLUTESS_TESS_VERTEX_DATA, callback(&onVertex));
        glutessTessCallback(mTess, GLUTESS_TESS_END_DATA, callback(&onEnd));
        glutessTessCallback(mTess, GLUTESS_TESS_ERROR_DATA, callback(&onError));
        glutessTessCallback(mTess, GLUTESS_TESS_COMBINE_DATA, callback(&onCombine));
    }
    void TearDown() override { glutessDeleteTess(mTess); }

    // The contours must outlive the result: their points come back as vertex data. The result is
    // replaced by the next call, and still holds what was recorded when a callback throws.
    Recorder const& tessellate(std::vector<Contour> const& contours, int throwOnCallback = -1) {
        mRecorder = Recorder();
        mRecorder.throwOnCallback = throwOnCallback;
        glutessTessBeginPolygon(mTess, &mRecorder);
        for (Contour const& contour : contours) {
            glutessTessBeginContour(mTess);
            for (Point const& p : contour) {
                double const coords[3] = {p.x, p.y, p.z};
                glutessTessVertex(mTess, coords, const_cast<Point*>(&p));
            }
            glutessTessEndContour(mTess);
        }
        glutessTessEndPolygon(mTess);
        return mRecorder;
    }

    GlutessTesselator* mTess = nullptr;
    Recorder mRecorder;
};

TEST_F(GlutessTest, SquareGivesTwoTrianglesOfItsOwnCorners) {
    std::vector<Contour> const polygon{square(0, 1)};
    Recorder const& r = tessellate(polygon);
    ASSERT_EQ(r.triangles.size(), 2u);
    EXPECT_NEAR(totalArea(r), 1.0, 1e-12);
    for (auto const& t : r.triangles)
        for (Point const* p : t) EXPECT_TRUE(p >= &polygon[0][0] && p < &polygon[0][0] + 4);
    EXPECT_TRUE(r.errors.empty());

    // Three nested squares of one orientation: odd winding fills the outer ring and the core.
    std::vector<Contour> const nested{square(0, 4), square(1, 3), square(1.5, 2.5)};
    EXPECT_NEAR(totalArea(tessellate(nested)), 16.0 - 4.0 + 1.0, 1e-9);
}

TEST_F(GlutessTest, BowTieAsksCombineForTheCrossing) {
    std::vector<Contour> const polygon{BOW_TIE};
    Recorder const& r = tessellate(polygon);
    ASSERT_EQ(r.combined.size(), 1u);
    EXPECT_NEAR(r.combined[0].x + r.combined[0].y, 1.0, 1e-12);
    ASSERT_EQ(r.triangles.size(), 2u);
    for (auto const& t : r.triangles)
        EXPECT_NE(std::find(t.begin(), t.end(), &r.combined[0]), t.end());
    EXPECT_NEAR(totalArea(r), 0.5, 1e-12);
}

TEST_F(GlutessTest, NonFiniteInputRejectsOnlyItsPolygon) {
    for (double const bad : {double(NAN), -double(INFINITY)}) {
        std::vector<Contour> const polygon{square(0, 1),
                                           {{0.2, 0.2, 0}, {0.5, bad, 0}, {0.8, 0.2, 0}}};
        Recorder const& r = tessellate(polygon);
        EXPECT_EQ(r.errors, std::vector<unsigned int>{GLUTESS_TESS_COORD_NOT_FINITE});
        EXPECT_EQ(r.callbacks, 0);
    }
    std::vector<Contour> const polygon{square(0, 1)};
    glutessTessNormal(mTess, NAN, 0, 1);
    EXPECT_TRUE(tessellate(polygon).triangles.empty());

    glutessTessNormal(mTess, 0, 0, 1);
    EXPECT_EQ(tessellate(polygon).triangles.size(), 2u);
}

TEST_F(GlutessTest, ExceptionFromACallbackLeavesEndPolygonAfterSilence) {
    std::vector<Contour> const polygon{square(0, 1), square(0.25, 0.75)};
    std::vector<Contour> const bowTie{BOW_TIE};  // its first callback is combine
    for (auto const& [contours, at] :
         {std::pair{&polygon, 0}, {&polygon, 1}, {&polygon, 4}, {&bowTie, 0}}) {
        EXPECT_THROW(tessellate(*contours, at), std::logic_error);
        EXPECT_EQ(mRecorder.callbacks, at + 1) << "a callback ran after the throw";
        EXPECT_TRUE(mRecorder.errors.empty());
    }
    EXPECT_NEAR(totalArea(tessellate(polygon)), 0.75, 1e-12);
}

TEST(GlutessCHeaderTest, SquareFromCGivesTwoTriangles) {
    EXPECT_EQ(glutessCSquareTriangleCount(), 2);
}

}  // namespace
