#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "base/BasicBoundingBox.h"
#include "base/Matrix.h"
#include "base/Vector3.h"

namespace util {
namespace {

using V3 = Vector3<float>;

TEST(Vector3Test, NormalizingATinyVectorFallsBackToUp) {
    float length = -1;
    V3 tiny(1e-26f, 0, 0);
    EXPECT_FALSE(tiny.getLengthAndNormalize(length));
    EXPECT_FLOAT_EQ(length, 1e-26f);
    EXPECT_EQ(tiny, V3(0, 1, 0));
    V3 w(3, 0, 4);
    EXPECT_TRUE(w.getLengthAndNormalize(length));
    EXPECT_FLOAT_EQ(length, 5.0f);
}

TEST(Vector3Test, CrossIsRightHandedAndAnglesCoverBothBranches) {
    EXPECT_EQ(V3(1, 0, 0).cross(V3(0, 1, 0)), V3(0, 0, 1));
    V3 const a(1, 0, 0);
    EXPECT_EQ(angleBetweenUnitVector3s(a, a), 0.0f);
    EXPECT_FLOAT_EQ(angleBetweenUnitVector3s(a, -a), static_cast<float>(M_PI));
    V3 const b = V3(1, 1, 0).normalized();
    EXPECT_NEAR(angleBetweenUnitVector3s(a, b), M_PI / 4, 1e-6);
}

TEST(Vector3Test, StreamsComponentsAsDoubles) {
    std::ostringstream os;
    os << V3(1.5f, -2, 0.1f);
    EXPECT_EQ(os.str(), "(1.5, -2, 0.1)");
}

TEST(MatrixTest, IsColumnMajorAndTransformPointIgnoresTheBottomRow) {
    Matrix<float> const t = Matrix<float>::translation(1, 2, 3);
    EXPECT_EQ(t[12], 1);  // translation at 12 to 14
    EXPECT_EQ(t.transformPoint(V3(1, 1, 1)), V3(2, 3, 4));
    Matrix<float> m;
    m[3] = 5;  // row 3, column 0: a projective row that must not divide
    m[15] = 2;
    EXPECT_EQ(m.transformPoint(V3(1, 2, 3)), V3(1, 2, 3));
}

TEST(MatrixTest, ProductAppliesTheRightFactorFirst) {
    Matrix<float> const s = Matrix<float>::scaling(2, 2, 2);
    Matrix<float> const t = Matrix<float>::translation(1, 0, 0);
    EXPECT_EQ((t * s).transformPoint(V3(1, 1, 1)), V3(3, 2, 2));  // scale, then move
    EXPECT_EQ((s * t).transformPoint(V3(1, 1, 1)), V3(4, 2, 2));  // move, then scale
}

TEST(MatrixTest, InverseTransposeSafeIsTheCofactorMatrix) {
    Matrix<float> const s = Matrix<float>::scaling(2, 3, 4);
    Matrix<float> const c = s.getInverseTransposeSafe();
    EXPECT_EQ(c[0], 12);  // det * (1/2)
    EXPECT_EQ(c[10], 6);
    EXPECT_EQ(c[15], 24);
    // A shear keeps normals perpendicular to transformed tangents.
    float const shear[16] = {1, 0, 0, 0, 0.5f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Matrix<float> const m(shear);
    V3 const tangent = m.transformVector(V3(1, 0, 0));
    V3 const normal = m.getInverseTransposeSafe().transformNormal(V3(0, 1, 0));
    EXPECT_NEAR(tangent.dot(normal), 0.0f, 1e-6);
    // A mirror flips the cofactor normal against the true inverse transpose.
    Matrix<float> const mirror = Matrix<float>::scaling(-1, 1, 1);
    EXPECT_EQ(mirror.getInverseTransposeSafe().transformNormal(V3(1, 0, 0)), V3(1, 0, 0));
}

TEST(MatrixTest, InverseTransposeOfAZeroColumnIsZeroAndNormalsFallBack) {
    Matrix<float> m;
    m[0] = m[1] = m[2] = 0;
    Matrix<float> const c = m.getInverseTransposeSafe();
    for (int i = 1; i < 16; ++i) EXPECT_EQ(c[i], 0) << i;
    EXPECT_EQ(c.transformNormal(V3(0, 0, 1)), V3(0, 1, 0));
}

TEST(BasicBoundingBoxTest, EmptyBoxBecomesThePointOnFirstExtension) {
    BasicBoundingBox<float> box;
    EXPECT_TRUE(box.isEmpty());
    box.extend(V3(1, 2, 3));
    EXPECT_EQ(box.max, V3(1, 2, 3));
    box.extend(V3(-1, 5, 3));
    EXPECT_EQ(box.min, V3(-1, 2, 3));
    EXPECT_EQ(box.max, V3(1, 5, 3));
}

TEST(BasicBoundingBoxTest, TouchingBoxesMeet) {
    BasicBoundingBox<float> const a(V3(0, 0, 0), V3(1, 1, 1));
    EXPECT_TRUE(a.meets(BasicBoundingBox<float>(V3(1, 0, 0), V3(2, 1, 1))));
    EXPECT_FALSE(a.meets(BasicBoundingBox<float>(V3(1.001f, 0, 0), V3(2, 1, 1))));
}

}  // namespace
}  // namespace util
