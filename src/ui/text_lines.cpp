// What the text display writes where. Strings keep their exact spacing: the
// trailing blanks cover the ends of longer texts drawn there before.
#include "ui/text_lines.h"

#include "core/renderer.h"
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

void formatWindowLines(const Renderer& r, TextLine (&lines)[kWindowLineCount]) {
    setLine(lines[0], 810, 10, "LMouse Click drag : Model Rotate");
    setLine(lines[1], 810, 30, "RMouse Click drag : Model Scale");
    setLine(lines[2], 810, 70, "W A S D Q E: Camera Move");
    setLine(lines[3], 810, 90, "I J K L U O: Taget Move or Camera Rotate");
    setLine(lines[4], 810, 110, r.lookAtMode == 1 ? "LookAt  " : "Euler    ");
    const Vertex& p = r.cameraPosition;
    threeValues(lines[5], 810, 130, "Camera x : ", " y : ", "  z : ", "       ", p.x, p.y, p.z);
    const Vertex& t = r.cameraTarget;
    threeValues(lines[6], 810, 150, "Taget x : ", " y : ", "  z : ", "        ", t.x, t.y, t.z);
    const Vector3& a = r.cameraRotation;
    threeValues(lines[7], 810, 170, "CameraRotate x : ", " y : ", "  z : ", "      ", a.x, a.y, a.z);
}

void formatPictureLines(const Renderer& r, TextLine (&lines)[kPictureLineCount]) {
    setLine(lines[0], 10, 10, "Space Bar Click Light Move : Up Down Left Right Pgup Pgdn");
    setLine(lines[1], 10, 30, "Space Bar Click Model Move : Up Down Left Right Pgup Pgdn");
    LineWriter(lines[2], 10, 50).text("Move Mode : ").text(r.moveModel == 1 ? "Model Move   " : "Light Move    ");
    setLine(lines[3], 80, 90, "Light");
    colourLine(lines[4], 110, 'A', r.light.ambient);
    colourLine(lines[5], 130, 'D', r.light.diffuse);
    colourLine(lines[6], 150, 'S', r.light.specular);
    setLine(lines[7], 80, 190, "Matter");
    colourLine(lines[8], 210, 'A', r.material.ambient);
    colourLine(lines[9], 230, 'D', r.material.diffuse);
    colourLine(lines[10], 250, 'S', r.material.specular);
    LineWriter(lines[11], 700, 10).text("FPS : ").fixed2(r.fps);
}

}  // namespace trivane
