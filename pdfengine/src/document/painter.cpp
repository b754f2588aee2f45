#include "document/painter.h"

#include <algorithm>

#include "object/pdf_keys.h"
#include "object/pdf_objects.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf {

namespace {

// A circle drawn with four Bezier curves: the control-point distance for a
// quarter circle of radius 1.
constexpr double kCircleKappa = 0.5522847498307935;

double Clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

}  // namespace

// The same escapes as the writer's literal strings.
std::string ContentLiteral(std::string_view bytes) { return FormatLiteralString(bytes); }

std::string TPDFPainter::ColourLine(double red, double green, double blue, std::string_view op) {
    return FormatPdfNumber(Clamp01(red), kNumberPrecision) + " " +
           FormatPdfNumber(Clamp01(green), kNumberPrecision) + " " +
           FormatPdfNumber(Clamp01(blue), kNumberPrecision) + " " + std::string(op);
}

void TPDFPainter::Reset(TPDFStream* stream, std::string text) {
    stream_ = stream;
    buffer_ = std::move(text);
    if (!buffer_.empty() && buffer_.back() != ' ') buffer_ += ' ';
    text_colour_ = {"0 0 0 rg", true};
    fill_colour_ = {"1 1 1 rg", true};
    stroke_colour_ = {"0 0 0 RG", true};
    line_width_ = {"1 w", true};
    dash_ = {"[] 0 d", true};
    scaling_ = {"100 Tz", true};
    rise_ = {"0 Ts", true};
    spacing_ = {"0 Tw 0 Tc", true};
    render_mode_ = {"0 Tr", true};
    // No font until one is set: text without one would not be valid.
    font_ = {"", false};
}

void TPDFPainter::Unbind() {
    stream_ = nullptr;
    buffer_.clear();
}

void TPDFPainter::Number(double value) {
    buffer_ += FormatPdfNumber(value, kNumberPrecision);
    buffer_ += ' ';
}

void TPDFPainter::Operator(std::string_view op) {
    buffer_ += op;
    buffer_ += '\n';
}

void TPDFPainter::Line(std::string_view line) {
    buffer_ += line;
    buffer_ += '\n';
}

void TPDFPainter::Store() {
    if (stream_ == nullptr) return;
    stream_->Dictionary().Remove(key::kFilter);
    stream_->Dictionary().Remove(key::kDecodeParms);
    stream_->SetData(buffer_);
}

void TPDFPainter::Flush(PendingLine& line) {
    if (!line.pending || line.text.empty()) return;
    Line(line.text);
    line.pending = false;
}

void TPDFPainter::SetFillRGB(double red, double green, double blue) {
    fill_colour_ = {ColourLine(red, green, blue, "rg"), true};
    text_colour_.pending = true;
}

void TPDFPainter::SetStrokeRGB(double red, double green, double blue) {
    stroke_colour_ = {ColourLine(red, green, blue, "RG"), true};
}

void TPDFPainter::SetFont(std::string_view resource_name, double size) {
    font_ = {FormatPdfName(resource_name) + " " + FormatPdfNumber(size, kNumberPrecision) + " Tf",
             true};
}

void TPDFPainter::Circle(double x, double y, double radius, int mode) {
    const bool fill = mode == 1 || mode == 2;
    const bool outline = mode == 0 || mode == 2;
    if (!fill && !outline) return;
    const double r = radius;
    const double k = kCircleKappa * r;
    if (outline) Flush(stroke_colour_);
    if (fill) {
        // Text and fill share the non-stroking colour: writing one makes the
        // other stale.
        if (fill_colour_.pending) text_colour_.pending = true;
        Flush(fill_colour_);
    }
    if (outline) {
        Flush(line_width_);
        Flush(dash_);
    }
    auto point = [this](double px, double py) {
        Number(px);
        Number(py);
    };
    point(x - r, y);
    Operator("m");
    point(x - r, y - k), point(x - k, y - r), point(x, y - r);
    Operator("c");
    point(x + k, y - r), point(x + r, y - k), point(x + r, y);
    Operator("c");
    point(x + r, y + k), point(x + k, y + r), point(x, y + r);
    Operator("c");
    point(x - k, y + r), point(x - r, y + k), point(x - r, y);
    Operator("c");
    Operator(fill && outline ? "B" : fill ? "f" : "S");
    Store();
}

void TPDFPainter::Text(double left, double baseline, std::string_view text) {
    Flush(render_mode_);
    Flush(font_);
    if (text_colour_.pending) fill_colour_.pending = true;
    Flush(text_colour_);
    Flush(scaling_);
    Flush(rise_);
    Flush(spacing_);
    constexpr std::string_view kEnd = "ET\n";
    if (buffer_.size() >= kEnd.size() &&
        buffer_.compare(buffer_.size() - kEnd.size(), kEnd.size(), kEnd) == 0) {
        // Consecutive texts share one text object.
        buffer_.replace(buffer_.size() - kEnd.size(), kEnd.size(), "   ");
    } else {
        Operator("BT");
    }
    Number(1), Number(0), Number(0), Number(1), Number(left), Number(baseline);
    Operator("Tm");
    buffer_ += ContentLiteral(text);
    buffer_ += ' ';
    Operator("Tj");
    Operator("ET");
    Store();
}

void TPDFPainter::Image(std::string_view resource_name, double left, double top, double width,
                        double height, bool is_mask) {
    Operator("q");
    if (is_mask) {
        if (fill_colour_.pending) text_colour_.pending = true;
        Flush(fill_colour_);
    }
    Number(width), Number(0), Number(0), Number(height), Number(left), Number(top - height);
    Operator("cm");
    buffer_ += FormatPdfName(resource_name);
    Operator(" Do");
    Operator("Q");
    // "Q" undoes a colour set inside the group.
    if (is_mask) fill_colour_.pending = true;
    Store();
}

}  // namespace papyrion::pdf
