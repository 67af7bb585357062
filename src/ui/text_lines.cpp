// What the text display writes where. Strings keep their exact spacing: the
// trailing blanks cover the ends of longer texts drawn there before.
#include "ui/text_lines.h"

#include <algorithm>
#include <cstring>

#include "ui/fixed_text.h"

namespace trivane {

namespace {

class LineWriter {
public:
    LineWriter(TextLine& line, int32_t x, int32_t y) : line_(line), out_(line.text, sizeof line.text) {
        line_.x = x;
        line_.y = y;
    }
    ~LineWriter() { line_.length = static_cast<int32_t>(out_.length()); }
    LineWriter& text(const char* s) {
        out_.append(s);
        return *this;
    }
    LineWriter& fixed2(float value) {
        out_.appendFixed2(static_cast<double>(value));
        return *this;
    }

private:
    TextLine& line_;
    BoundedText out_;
};

void setLine(TextLine& line, int32_t x, int32_t y, const char* text) { LineWriter(line, x, y).text(text); }

void threeValues(TextLine& line, int32_t x, int32_t y, const char* a, const char* b, const char* c,
                 const char* tail, float va, float vb, float vc) {
    LineWriter(line, x, y).text(a).fixed2(va).text(b).fixed2(vb).text(c).fixed2(vc).text(tail);
}

void colourLine(TextLine& line, int32_t y, char kind, const Rgb& rgb) {
    const char a[] = {kind, 'r', ' ', ':', ' ', '\0'};
    const char b[] = {' ', ' ', kind, 'g', ' ', ':', ' ', '\0'};
    const char c[] = {' ', ' ', kind, 'b', ' ', ':', ' ', '\0'};
    threeValues(line, 10, y, a, b, c, "", rgb.r, rgb.g, rgb.b);
}

}  // namespace

void formatWindowLines(const CameraState& camera, int32_t left, TextLine (&lines)[kWindowLineCount]) {
    setLine(lines[0], left, 10, "LMouse Click drag : Model Rotate");
    setLine(lines[1], left, 30, "RMouse Click drag : Model Scale");
    setLine(lines[2], left, 70, "W A S D Q E: Camera Move");
    setLine(lines[3], left, 90, "I J K L U O: Taget Move or Camera Rotate");
    setLine(lines[4], left, 110, camera.lookAtMode == 1 ? "LookAt  " : "Euler    ");
    const Vertex& p = camera.cameraPosition;
    threeValues(lines[5], left, 130, "Camera x : ", " y : ", "  z : ", "       ", p.x, p.y, p.z);
    const Vertex& t = camera.cameraTarget;
    threeValues(lines[6], left, 150, "Taget x : ", " y : ", "  z : ", "        ", t.x, t.y, t.z);
    const Vector3& a = camera.cameraRotation;
    threeValues(lines[7], left, 170, "CameraRotate x : ", " y : ", "  z : ", "      ", a.x, a.y, a.z);
}

void formatPictureLines(const InputState& input, const LightState& lighting, const FrameClock& clock,
                        int32_t pictureWidth, TextLine (&lines)[kPictureLineCount]) {
    setLine(lines[0], 10, 10, "Space Bar Click Light Move : Up Down Left Right Pgup Pgdn");
    setLine(lines[1], 10, 30, "Space Bar Click Model Move : Up Down Left Right Pgup Pgdn");
    LineWriter(lines[2], 10, 50).text("Move Mode : ").text(input.moveModel == 1 ? "Model Move   " : "Light Move    ");
    setLine(lines[3], 80, 90, "Light");
    colourLine(lines[4], 110, 'A', lighting.light.ambient);
    colourLine(lines[5], 130, 'D', lighting.light.diffuse);
    colourLine(lines[6], 150, 'S', lighting.light.specular);
    setLine(lines[7], 80, 190, "Matter");
    colourLine(lines[8], 210, 'A', lighting.material.ambient);
    colourLine(lines[9], 230, 'D', lighting.material.diffuse);
    colourLine(lines[10], 250, 'S', lighting.material.specular);
    LineWriter(lines[11], pictureWidth - 100, 10).text("FPS : ").fixed2(clock.fps);
}

namespace {

int clampedLength(const TextLine& line) { return std::clamp<int>(line.length, 0, static_cast<int>(sizeof line.text)); }

}  // namespace

bool sameText(const TextLine& a, const TextLine& b) {
    const int length = clampedLength(a);
    return a.x == b.x && a.y == b.y && length == clampedLength(b) && std::memcmp(a.text, b.text, length) == 0;
}

}  // namespace trivane
