#include "testsupport/pdf_tools.h"

#include <cctype>
#include <cstdlib>

#include "testsupport/files.h"
#include "testsupport/program.h"

namespace papyrion::test {

namespace {

std::vector<std::string> WithPassword(std::vector<std::string> arguments,
                                      const std::string& password) {
    if (!password.empty()) arguments.insert(arguments.begin() + 1, "--password=" + password);
    return arguments;
}

}  // namespace

std::string QpdfProblems(const std::filesystem::path& pdf, const std::string& password) {
    const ProgramResult run = RunProgram(WithPassword({"qpdf", "--check", pdf.string()}, password));
    if (run.exit_code == 0 &&
        run.out.find("No syntax or stream encoding errors") != std::string::npos) {
        return {};
    }
    const std::string said = run.out + run.err;
    return said.empty() ? "qpdf exit " + std::to_string(run.exit_code) : said;
}

int QpdfPageCount(const std::filesystem::path& pdf, const std::string& password) {
    const ProgramResult run =
        RunProgram(WithPassword({"qpdf", "--show-npages", pdf.string()}, password));
    // 3: qpdf read the file with warnings.
    if (run.exit_code != 0 && run.exit_code != 3) return -1;
    try {
        return std::stoi(run.out);
    } catch (const std::exception&) {
        return -1;
    }
}

std::string PdfText(const std::filesystem::path& pdf, bool layout) {
    std::vector<std::string> arguments{"pdftotext", "-q"};
    if (layout) arguments.push_back("-layout");
    arguments.push_back(pdf.string());
    arguments.push_back("-");
    const ProgramResult run = RunProgram(arguments);
    return run.exit_code == 0 ? run.out : std::string();
}

std::array<int, 3> Raster::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * channels;
    const auto sample = [&](std::size_t k) { return static_cast<unsigned char>(samples[at + k]); };
    if (channels == 1) return {sample(0), sample(0), sample(0)};
    return {sample(0), sample(1), sample(2)};
}

Raster RenderPage(const std::filesystem::path& pdf, int page, int dpi, bool grey) {
    TempFolder folder;
    const std::filesystem::path prefix = folder / "page";
    std::vector<std::string> arguments{"pdftoppm",   "-q",
                                       "-r",         std::to_string(dpi),
                                       "-f",         std::to_string(page),
                                       "-l",         std::to_string(page),
                                       "-singlefile"};
    if (grey) arguments.push_back("-gray");
    arguments.push_back(pdf.string());
    arguments.push_back(prefix.string());
    Raster raster;
    if (RunProgram(arguments).exit_code != 0) return raster;
    const std::string image = ReadFile(prefix.string() + (grey ? ".pgm" : ".ppm"));
    // "P6\n<width> <height>\n255\n" (P5 for grey) and the samples.
    std::size_t at = 0;
    const auto token = [&]() {
        while (at < image.size() && std::isspace(static_cast<unsigned char>(image[at]))) ++at;
        const std::size_t start = at;
        while (at < image.size() && !std::isspace(static_cast<unsigned char>(image[at]))) ++at;
        return image.substr(start, at - start);
    };
    const int channels = grey ? 1 : 3;
    if (token() != (grey ? "P5" : "P6")) return raster;
    try {
        const int width = std::stoi(token());
        const int height = std::stoi(token());
        if (std::stoi(token()) != 255) return raster;
        ++at;
        const std::size_t size = static_cast<std::size_t>(width) * height * channels;
        if (width <= 0 || height <= 0 || image.size() < at + size) return raster;
        raster.width = width;
        raster.height = height;
        raster.channels = channels;
        raster.samples = image.substr(at, size);
    } catch (const std::exception&) {
    }
    return raster;
}

double DifferingShare(const Raster& a, const Raster& b, int tolerance) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels || a.width == 0) {
        return 1;
    }
    const std::size_t pixels = static_cast<std::size_t>(a.width) * a.height;
    const std::size_t channels = static_cast<std::size_t>(a.channels);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (std::size_t k = 0; k < channels; ++k) {
            const int da = static_cast<unsigned char>(a.samples[i * channels + k]);
            const int db = static_cast<unsigned char>(b.samples[i * channels + k]);
            if (std::abs(da - db) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(pixels);
}

}  // namespace papyrion::test
