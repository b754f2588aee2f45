#include "document/xmp_packet.h"

#include <array>
#include <pugixml.hpp>
#include <sstream>

#include "document/doc_info.h"
#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

constexpr std::string_view kMetadataKey = "Metadata";
constexpr const char* kPacketId = "W5M0MpCehiHzreSzNTczkc9d";
constexpr const char* kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

enum class Form { kText, kAlternative, kBag, kDate };

struct Property {
    std::string_view info_key;  // empty for dc:format
    const char* prefix;
    const char* namespace_uri;
    const char* element;
    Form form;
};

constexpr const char* kDc = "http://purl.org/dc/elements/1.1/";
constexpr const char* kXmp = "http://ns.adobe.com/xap/1.0/";
constexpr const char* kPdf = "http://ns.adobe.com/pdf/1.3/";

constexpr std::array<Property, 9> kProperties{{
    {"", "dc", kDc, "dc:format", Form::kText},
    {info_key::kTitle, "dc", kDc, "dc:title", Form::kAlternative},
    {info_key::kSubject, "dc", kDc, "dc:description", Form::kAlternative},
    {info_key::kAuthor, "dc", kDc, "dc:creator", Form::kBag},
    {info_key::kKeywords, "pdf", kPdf, "pdf:Keywords", Form::kText},
    {info_key::kCreator, "xmp", kXmp, "xmp:CreatorTool", Form::kText},
    {info_key::kProducer, "pdf", kPdf, "pdf:Producer", Form::kText},
    {info_key::kCreationDate, "xmp", kXmp, "xmp:CreateDate", Form::kDate},
    {info_key::kModDate, "xmp", kXmp, "xmp:ModifyDate", Form::kDate},
}};

const Property* PropertyFor(std::string_view info_key) {
    for (const Property& property : kProperties) {
        if (!property.info_key.empty() && property.info_key == info_key) return &property;
    }
    return nullptr;
}

// The last rdf:Description directly in rdf:RDF that declares the
// property's namespace; a new one when there is none.
pugi::xml_node DescriptionFor(pugi::xml_node rdf, const Property& property) {
    const std::string attribute = std::string("xmlns:") + property.prefix;
    pugi::xml_node found;
    for (pugi::xml_node node : rdf.children("rdf:Description")) {
        for (pugi::xml_attribute a : node.attributes()) {
            if (std::string_view(a.name()).substr(0, 6) == "xmlns:" &&
                std::string_view(a.value()) == property.namespace_uri) {
                found = node;
            }
        }
    }
    if (found) return found;
    pugi::xml_node made = rdf.append_child("rdf:Description");
    // rdf:about ties the description to this document, as XMP readers expect.
    made.append_attribute("rdf:about") = "";
    made.append_attribute(attribute.c_str()) = property.namespace_uri;
    return made;
}

void SetProperty(pugi::xml_node rdf, const Property& property, const std::string& value) {
    pugi::xml_node description = DescriptionFor(rdf, property);
    while (pugi::xml_node old = description.child(property.element)) description.remove_child(old);
    pugi::xml_node element = description.append_child(property.element);
    switch (property.form) {
        case Form::kAlternative: {
            pugi::xml_node item = element.append_child("rdf:Alt").append_child("rdf:li");
            item.append_attribute("xml:lang") = "x-default";
            item.text() = value.c_str();
            break;
        }
        case Form::kBag:
            element.append_child("rdf:Bag").append_child("rdf:li").text() = value.c_str();
            break;
        case Form::kDate:
            element.text() = PdfDateToXmpDate(value).c_str();
            break;
        case Form::kText:
            element.text() = value.c_str();
            break;
    }
}

pugi::xml_node ChildOrAppend(pugi::xml_node parent, const char* name) {
    pugi::xml_node child = parent.child(name);
    return child ? child : parent.append_child(name);
}

}  // namespace

std::optional<std::string> UpdatedXmpPacket(std::string_view existing, std::string_view info_key,
                                            std::string_view utf8) {
    const Property* property = PropertyFor(info_key);
    pugi::xml_document document;
    std::string held_author;
    pugi::xml_node rdf;
    if (existing.empty()) {
        pugi::xml_node begin = document.append_child(pugi::node_pi);
        begin.set_name("xpacket");
        begin.set_value((std::string("begin=\"?\" id=\"") + kPacketId + "\"").c_str());
        pugi::xml_node meta = document.append_child("x:xmpmeta");
        meta.append_attribute("xmlns:x") = "adobe:ns:meta/";
        rdf = meta.append_child("rdf:RDF");
        rdf.append_attribute("xmlns:rdf") = kRdfNamespace;
        pugi::xml_node end = document.append_child(pugi::node_pi);
        end.set_name("xpacket");
        end.set_value("end=\"w\"");
        for (const Property& p : kProperties) {
            SetProperty(rdf, p, p.info_key.empty() ? "application/pdf" : "");
        }
    } else {
        const unsigned options = pugi::parse_default | pugi::parse_pi | pugi::parse_comments |
                                 pugi::parse_declaration | pugi::parse_doctype;
        if (!document.load_buffer(existing.data(), existing.size(), options)) return std::nullopt;
        pugi::xml_node meta = ChildOrAppend(document, "x:xmpmeta");
        if (!meta.attribute("xmlns:x")) meta.append_attribute("xmlns:x") = "adobe:ns:meta/";
        rdf = ChildOrAppend(meta, "rdf:RDF");
        if (!rdf.attribute("xmlns:rdf")) rdf.append_attribute("xmlns:rdf") = kRdfNamespace;
        for (pugi::xml_node description : rdf.children("rdf:Description")) {
            pugi::xml_node item = description.child("dc:creator").child("rdf:Bag").child("rdf:li");
            if (item) {
                held_author = item.text().get();
                break;
            }
        }
    }
    const std::string value(utf8);
    if (property != nullptr) {
        const std::string& held = property->form == Form::kBag ? held_author : std::string();
        if (value != held) SetProperty(rdf, *property, value);
    }

    std::ostringstream out;
    document.save(out, "  ", pugi::format_indent | pugi::format_no_declaration,
                  pugi::encoding_utf8);
    std::string text = out.str();
    std::size_t start = text.find("<?xpacket");
    if (start != std::string::npos) text.erase(0, start);
    // The closing instruction ends the packet, without the serialiser's line feed.
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    // Room for editors to grow the packet in place.
    const std::string padding = std::string(1023, ' ') + "\n";
    std::size_t end = text.rfind("<?xpacket end=");
    if (end == std::string::npos) {
        text += padding + "<?xpacket end=\"w\"?>";
    } else {
        text.insert(end, padding);
    }
    return text;
}

void UpdateXmpProperty(TPDFDocument& document, std::string_view info_key, std::string_view utf8) {
    TPDFDictionary* catalog = document.Catalog();
    if (catalog == nullptr) return;
    TPDFStructure& s = document.Structure();
    TPDFObject* value = catalog->Resolve(kMetadataKey);
    TPDFStream* stream = value != nullptr ? value->As<TPDFStream>() : nullptr;
    std::string existing;
    if (stream != nullptr) {
        const TPDFDictionary& d = stream->Dictionary();
        const bool is_xml = d.HasName(key::kSubtype, "XML") || d.HasName("SubType", "XML");
        if (d.HasName(key::kType, name::kMetadata) && is_xml) {
            existing = document.DecodedStreamData(*stream);
        }
    }
    std::optional<std::string> packet = UpdatedXmpPacket(existing, info_key, utf8);
    if (!packet) return;
    if (stream == nullptr) {
        stream = s.MakeStream(std::string());
        catalog->Set(kMetadataKey, document.AddIndirect(*stream));
    }
    TPDFDictionary& d = stream->Dictionary();
    d.Set(key::kType, s.MakeName(std::string(name::kMetadata)));
    d.Set(key::kSubtype, s.MakeName("XML"));
    d.Remove(key::kFilter);
    d.Remove(key::kDecodeParms);
    stream->SetData(std::move(*packet));
}

}  // namespace papyrion::pdf
