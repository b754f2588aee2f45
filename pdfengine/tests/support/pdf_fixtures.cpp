#include "support/pdf_fixtures.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "filters/decode.h"

namespace papyrion::pdf::testing {

namespace {

std::string Entry(std::size_t offset, int generation, char kind, const std::string& end) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu %05d %c", offset, generation, kind);
    return line + end;
}

std::string BigEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = width - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

std::string BuildClassicPdf(const std::vector<FixtureObject>& objects,
                            const ClassicOptions& options) {
    std::string pdf = options.junk + options.header;
    const std::size_t base = options.junk.size();
    std::vector<std::size_t> offsets;
    int highest = 0;
    for (const auto& object : objects) {
        offsets.push_back(pdf.size() - base);
        pdf += std::to_string(object.number) + " 0 obj\n" + object.body + "\nendobj\n";
        highest = std::max(highest, object.number);
    }
    const std::size_t table = pdf.size() - base;
    pdf +=
        "xref\n" + std::to_string(options.first_number) + " " + std::to_string(highest + 1) + "\n";
    pdf += Entry(0, 65535, 'f', options.entry_end);
    for (int number = 1; number <= highest; ++number) {
        std::size_t offset = 0;
        bool found = false;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (objects[i].number == number) {
                offset = offsets[i];
                found = true;
            }
        }
        pdf += Entry(offset, 0, found ? 'n' : 'f', options.entry_end);
    }
    pdf += "trailer\n<< /Size " + std::to_string(highest + 1) + " /Root 1 0 R " +
           options.trailer_extra + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    return pdf;
}

std::string AppendIncrementalUpdate(const std::string& base,
                                    const std::vector<FixtureObject>& objects, int size) {
    std::size_t value = StartXrefValue(base);
    std::size_t prev = std::stoul(base.substr(value));
    std::string pdf = base;
    std::vector<std::pair<int, std::size_t>> offsets;
    for (const auto& object : objects) {
        offsets.emplace_back(object.number, pdf.size());
        pdf += std::to_string(object.number) + " 0 obj\n" + object.body + "\nendobj\n";
    }
    const std::size_t table = pdf.size();
    pdf += "xref\n";
    for (const auto& [number, offset] : offsets) {
        pdf += std::to_string(number) + " 1\n" + Entry(offset, 0, 'n', " \n");
    }
    pdf += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R /Prev " +
           std::to_string(prev) + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
    return pdf;
}

// Catalog 1, pages 2 and page 3 inside object stream 4, described by the
// cross-reference stream 5 (W [1 4 2], Flate with a PNG predictor).
std::string XrefStreamPdf(const std::string& page_extra, bool objstm_in_itself, bool stray_claim) {
    const std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 0.123456 842 ] " + page_extra + ">>",
    };
    std::string header, body;
    for (int i = 0; i < 3; ++i) {
        header += std::to_string(i + 1) + " " + std::to_string(body.size()) + " ";
        body += objects[i] + "\n";
    }
    std::string objstm_data = header + body;
    std::string objstm_encoded = FlateEncode(objstm_data);

    std::string pdf = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    const std::size_t objstm_offset = pdf.size();
    pdf += "4 0 obj\n<< /Type /ObjStm /N 3 /First " + std::to_string(header.size()) +
           " /Filter /FlateDecode /Length " + std::to_string(objstm_encoded.size()) +
           " >>\nstream\n" + objstm_encoded + "\nendstream\nendobj\n";
    const std::size_t xref_offset = pdf.size();
    // Rows: type, field 2, field 3; PNG "Up" predictor (row filter byte 2).
    std::string rows;
    std::string previous(7, '\0');
    auto add_row = [&](int type, std::uint64_t f2, std::uint64_t f3) {
        std::string row = BigEndian(type, 1) + BigEndian(f2, 4) + BigEndian(f3, 2);
        rows += '\x02';
        for (int i = 0; i < 7; ++i) rows += static_cast<char>(row[i] - previous[i]);
        previous = row;
    };
    add_row(0, 0, 65535);
    add_row(2, 4, 0);
    add_row(2, 4, 1);
    add_row(2, 4, 2);
    if (objstm_in_itself) {
        add_row(2, 4, 3);
    } else {
        add_row(1, objstm_offset, 0);
    }
    add_row(1, xref_offset, 0);
    if (stray_claim) add_row(2, 2, 0);
    std::string xref_encoded = FlateEncode(rows);
    pdf += "5 0 obj\n<< /Type /XRef /Size " + std::string(stray_claim ? "7" : "6") +
           " /W [ 1 4 2 ] /Root 1 0 R /Filter /FlateDecode "
           "/DecodeParms << /Predictor 12 /Columns 7 >> /Length " +
           std::to_string(xref_encoded.size()) + " >>\nstream\n" + xref_encoded +
           "\nendstream\nendobj\nstartxref\n" + std::to_string(xref_offset) + "\n%%EOF\n";
    return pdf;
}

std::vector<FixtureObject> SimplePageObjects(int pages) {
    std::vector<FixtureObject> objects;
    objects.push_back({1, "<< /Type /Catalog /Pages 2 0 R >>"});
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + i) + " 0 R ";
    objects.push_back({2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(pages) +
                              " /MediaBox [ 0 0 200 300 ] >>"});
    for (int i = 0; i < pages; ++i) {
        objects.push_back({3 + i, "<< /Type /Page /Parent 2 0 R >>"});
    }
    return objects;
}

std::size_t StartXrefValue(const std::string& pdf) {
    std::size_t at = pdf.rfind("startxref");
    if (at == std::string::npos) throw std::runtime_error("fixture has no startxref");
    at += 9;
    while (at < pdf.size() && (pdf[at] == '\n' || pdf[at] == '\r' || pdf[at] == ' ')) ++at;
    return at;
}

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::runtime_error("fixture text not found: " + from);
    return text.replace(at, from.size(), to);
}

}  // namespace papyrion::pdf::testing
