#pragma once
// TPDFPainter: the text of the content stream that drawing appends to, with
// the graphics state that has still to be written before the next drawing
// that needs it. After every drawing operation the whole text is stored as
// the stream's data, uncompressed, so the stream is always complete.

#include <string>
#include <string_view>

namespace papyrion::pdf {

class TPDFStream;

class TPDFPainter {
  public:
    static constexpr int kNumberPrecision = 4;

    // Binds the painter to `stream` with `text` (its decoded data) as the
    // buffer; all graphics-state lines become pending again. A non-empty
    // text that does not end in a blank gets one, so appended operators
    // never glue onto the last token.
    void Reset(TPDFStream* stream, std::string text);
    // Unbound: drawing then has nowhere to go and Store does nothing.
    void Unbind();
    bool IsBound() const { return stream_ != nullptr; }
    const std::string& Buffer() const { return buffer_; }

    // Text put before everything already in the buffer.
    void Prepend(std::string_view text) { buffer_.insert(0, text); }
    // Each number is followed by one blank, each operator by a line feed.
    void Number(double value);
    void Operator(std::string_view op);
    // A complete line of text (operands and operator) and its line feed.
    void Line(std::string_view line);

    // Stores the buffer as the stream's data; "Filter" and "DecodeParms" go,
    // because the text is plain.
    void Store();

    // Colours are clamped to 0..1.
    void SetFillRGB(double red, double green, double blue);
    void SetStrokeRGB(double red, double green, double blue);
    // The font line ("/Name size Tf") becomes pending.
    void SetFont(std::string_view resource_name, double size);

    // Mode 1 or 2 fills, 0 or 2 outlines.
    void Circle(double x, double y, double radius, int mode);
    // One line of text, baseline starting at (left, baseline), in the
    // current font; `text` holds the bytes of the font's encoding.
    void Text(double left, double baseline, std::string_view text);
    // An image XObject into a box; `is_mask` writes the fill colour first.
    void Image(std::string_view resource_name, double left, double top, double width, double height,
               bool is_mask);

  private:
    struct PendingLine {
        std::string text;
        bool pending = true;
    };
    void Flush(PendingLine& line);
    static std::string ColourLine(double red, double green, double blue, std::string_view op);

    TPDFStream* stream_ = nullptr;
    std::string buffer_;
    PendingLine text_colour_;
    PendingLine fill_colour_;
    PendingLine stroke_colour_;
    PendingLine line_width_;
    PendingLine dash_;
    PendingLine scaling_;
    PendingLine rise_;
    PendingLine spacing_;
    PendingLine render_mode_;
    PendingLine font_;
};

// The literal-string form the painter writes for text: backspace, tab, line
// feed, form feed, carriage return, parentheses and backslash escaped.
std::string ContentLiteral(std::string_view bytes);

}  // namespace papyrion::pdf
