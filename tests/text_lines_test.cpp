// The text display: exact strings and positions, and formatting that neither
// overflows nor depends on the locale.
#include <gtest/gtest.h>

#include <random>

#include "scene_files.h"
#include "ui/fixed_text.h"
#include "ui/text_lines.h"

namespace trivane {
namespace {

// Every line as "x y text", checking the stored length against the text.
template <size_t N>
std::vector<std::string> shown(const TextLine (&lines)[N]) {
    std::vector<std::string> out;
    for (const TextLine& l : lines) {
        EXPECT_EQ(std::strlen(l.text), static_cast<size_t>(l.length)) << l.text;
        out.push_back(std::to_string(l.x) + " " + std::to_string(l.y) + " " + l.text);
    }
    return out;
}

TEST(TextLinesTest, EveryValueInItsPlace) {
    auto r = test::makeRenderer();
    r->camera.lookAtMode = 1;
    r->input.moveModel = 1;
    r->camera.cameraPosition = Vertex{-10, 20.125f, 3.14159f};
    r->camera.cameraTarget = Vertex{1e6f, -0.004f, 0.005f};  // the float nearest 0.005 lies below it
    r->camera.cameraRotation = Vector3{370, -90, 0.015f};
    r->lighting.light = LightingTerms{{0.11f, 0.12f, 0.13f}, {0.21f, 0.22f, 0.23f}, {0.31f, 0.32f, 0.33f}};
    r->lighting.material = LightingTerms{{0.41f, 0.42f, 0.43f}, {0.51f, 0.52f, 0.53f}, {0.61f, 0.62f, 0.63f}};
    r->clock.fps = 1234.567f;
    TextLine window[kWindowLineCount];
    TextLine picture[kPictureLineCount];
    formatWindowLines(r->camera, 810, window);
    formatPictureLines(r->input, r->lighting, r->clock, 800, picture);
    EXPECT_EQ(shown(window), (std::vector<std::string>{
        "810 10 LMouse Click drag : Model Rotate", "810 30 RMouse Click drag : Model Scale",
        "810 70 W A S D Q E: Camera Move", "810 90 I J K L U O: Taget Move or Camera Rotate", "810 110 LookAt  ",
        "810 130 Camera x : -10.00 y : 20.12  z : 3.14       ",
        "810 150 Taget x : 1000000.00 y : -0.00  z : 0.00        ",
        "810 170 CameraRotate x : 370.00 y : -90.00  z : 0.01      "}));
    EXPECT_EQ(shown(picture), (std::vector<std::string>{
        "10 10 Space Bar Click Light Move : Up Down Left Right Pgup Pgdn",
        "10 30 Space Bar Click Model Move : Up Down Left Right Pgup Pgdn", "10 50 Move Mode : Model Move   ",
        "80 90 Light", "10 110 Ar : 0.11  Ag : 0.12  Ab : 0.13", "10 130 Dr : 0.21  Dg : 0.22  Db : 0.23",
        "10 150 Sr : 0.31  Sg : 0.32  Sb : 0.33", "80 190 Matter", "10 210 Ar : 0.41  Ag : 0.42  Ab : 0.43",
        "10 230 Dr : 0.51  Dg : 0.52  Db : 0.53", "10 250 Sr : 0.61  Sg : 0.62  Sb : 0.63", "700 10 FPS : 1234.57"}));

    // The other camera and move mode; huge and non-finite values.
    r->camera.lookAtMode = 0;
    r->input.moveModel = 0;
    r->camera.cameraPosition = Vertex{FLT_MAX, -FLT_MAX, 1e38f};
    r->camera.cameraTarget = Vertex{INFINITY, -INFINITY, NAN};
    r->clock.fps = INFINITY;  // a frame measured as taking no time
    formatWindowLines(r->camera, 810, window);
    formatPictureLines(r->input, r->lighting, r->clock, 1001, picture);
    const std::string max = "340282346638528859811704183484516925440.00";
    const std::vector<std::string> lines = shown(window);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end() - 1), (std::vector<std::string>{
        "810 110 Euler    ",
        "810 130 Camera x : " + max + " y : -" + max + "  z : 99999996802856924650656260769173209088.00       ",
        "810 150 Taget x : inf y : -inf  z : nan        "}));
    EXPECT_EQ(shown(picture)[2], "10 50 Move Mode : Light Move    ");
    EXPECT_EQ(shown(picture)[11], "901 10 FPS : inf");  // 100 from the right edge of a wider picture
}

TEST(BoundedTextTest, CutsOffInsteadOfOverflowing) {
    char buffer[12];
    std::memset(buffer, 'x', sizeof buffer);
    BoundedText out(buffer, 8);
    out.append("abc");
    out.appendFixed2(-12.5);  // "-12.50" does not fit whole
    EXPECT_EQ(std::tuple(std::string(buffer), out.length()), std::tuple("abc-12.", 7u));
    out.append("more");
    out.appendFixed2(DBL_MAX);
    EXPECT_STREQ(buffer, "abc-12.");
    EXPECT_EQ(buffer[8], 'x');  // nothing written past the capacity

    BoundedText none(buffer, 0);  // a zero capacity writes nothing at all
    none.append("abc");
    EXPECT_EQ(std::tuple(buffer[0], none.length()), std::tuple('a', 0u));

    char wide[400];
    BoundedText big(wide, sizeof wide);
    big.appendFixed2(-DBL_MAX);
    EXPECT_EQ(std::tuple(big.length(), std::string(wide, 4), std::string(wide + 310)), std::tuple(313u, "-179", ".00"));
}

TEST(BoundedTextTest, MatchesPrintfInTheCLocale) {
    // Rounding of exact binary values, negative zero, ties and magnitudes,
    // then random bit patterns and random values of ordinary magnitude.
    std::vector<double> values = {0.0,   -0.0,  0.125, 0.375,   2.675,   1.005,          -0.005,
                                  0.045, 999.995, 1e15, 1e22,   1e-300,  -1e-5,          0.5,
                                  1.5,   2.5,   FLT_MAX, DBL_MIN, 0.015, 0.0049, 123456789.125};
    std::mt19937_64 random(12345);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t b = random();
        double v;
        std::memcpy(&v, &b, sizeof v);
        if (!std::isnan(v)) values.push_back(v);  // printf's NaN spelling is checked below
        values.push_back(static_cast<float>(static_cast<int64_t>(b % 2000001) - 1000000) / 1024.0f);
    }
    for (double v : values) {
        char expected[400], got[400];
        std::snprintf(expected, sizeof expected, "%.2f", v);
        BoundedText(got, sizeof got).appendFixed2(v);
        ASSERT_STREQ(got, expected);
    }
    char nan[8];
    BoundedText(nan, sizeof nan).appendFixed2(std::nan(""));
    EXPECT_STREQ(nan, "nan");
    BoundedText(nan, sizeof nan).appendFixed2(-std::nan(""));
    EXPECT_STREQ(nan, "-nan");
}

// One locale for both directions: building it is the slow part.
TEST(Locale, NumbersAreReadAndWrittenTheSameInACommaDecimalLocale) {
    test::TempDir dir;
    const bool entered = test::enterCommaLocale(dir);
    char got[32], printed[32];
    BoundedText(got, sizeof got).appendFixed2(-1700.0);
    std::snprintf(printed, sizeof printed, "%.2f", -1700.0);
    auto r = test::makeRenderer();
    const std::string model = dir.write("m.ase", "*MESH_NUMVERTEX 1\n*MESH_VERTEX 0 1.5 -2.25e1 0.125\n*PROP_MOTIONBLUR\n");
    const int32_t meshes = loadModelFile(r->scene, model.c_str()).meshCount;
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    if (!entered) GTEST_SKIP() << "no locale with a decimal comma could be installed or built";
    EXPECT_STREQ(printed, "-1700,00");  // the C library follows the locale here
    EXPECT_STREQ(got, "-1700.00");
    ASSERT_EQ(meshes, 1);
    EXPECT_EQ(test::xyz(r->scene.meshes[0].vertices[0]), (std::array{3.0f, 0.25f, -45.0f}));
}

}  // namespace
}  // namespace trivane
