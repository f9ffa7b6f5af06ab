#include "transport/xml_codec.h"

#include <memory>

#include <tinyxml.h>

namespace ostrand {

namespace {

// Appends an element holding one text node; an empty text still gets its node
// so the element prints as "<x></x>" rather than "<x />".
TiXmlElement* AddTextElement(TiXmlNode& parent, const std::string& name, const std::string& text) {
    auto element = std::make_unique<TiXmlElement>(name);
    element->LinkEndChild(new TiXmlText(text));
    return parent.LinkEndChild(element.release())->ToElement();
}

std::string Print(const TiXmlDocument& document) {
    TiXmlPrinter printer;  // default: four spaces of indentation, "\n" line breaks
    document.Accept(&printer);
    return printer.Str();
}

// TinyXML's UTF-8 reading steps over a whole multibyte sequence at once, so a
// lead byte just before the terminating zero carries it past the end of the
// text (a device can send such a reply). The zeros after the text keep every
// such step inside the buffer; the first zero still ends the document.
constexpr std::size_t kParserOverrunGuard = 8;

// TinyXML parses a zero-terminated text, so bytes after an embedded zero are
// not part of the document.
bool ParseDocument(std::string_view text, TiXmlDocument& document) {
    std::string terminated(text);
    terminated.append(kParserOverrunGuard, '\0');
    // Rows and columns of elements are never asked for; not counting them
    // saves a walk over the text for every element.
    document.SetTabSize(0);
    document.Parse(terminated.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !document.Error();
}

std::string FirstTextOf(const TiXmlElement& element) {
    const TiXmlNode* child = element.FirstChild();
    if (child == nullptr) return {};
    const TiXmlText* text = child->ToText();
    if (text == nullptr) return {};
    return text->ValueStr();
}

const TiXmlElement* NextElementNamed(const TiXmlElement& from, const char* name) {
    return from.NextSiblingElement(name);
}

}  // namespace

std::string EncodeCommandXml(const ParamMap& request, CommandCode code) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "GB2312", ""));
    auto* command = document.LinkEndChild(new TiXmlElement("command"))->ToElement();
    const std::string codeText = std::to_string(code);
    AddTextElement(*command, "id", codeText);
    AddTextElement(*command, "name", codeText);
    AddTextElement(*command, "type", kCommandTypeText);
    auto* params = command->LinkEndChild(new TiXmlElement("params"))->ToElement();
    for (const auto& [key, value] : request) {
        auto* param = params->LinkEndChild(new TiXmlElement("param"))->ToElement();
        AddTextElement(*param, "key", key);
        AddTextElement(*param, "value", value);
    }
    return Print(document);
}

bool DecodeCommandXml(std::string_view text, ParamMap& reply, std::string* idText) {
    TiXmlDocument document;
    if (!ParseDocument(text, document)) return false;
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr) return false;

    const TiXmlElement* id = root->FirstChildElement("id");
    if (idText != nullptr) idText->assign(id != nullptr && id->GetText() != nullptr ? id->GetText() : "");
    if (id == nullptr) return true;
    // "name" and "type" carry nothing the tool uses. "params" counts only
    // after "id": a "params" before it is not seen.
    const TiXmlElement* params = NextElementNamed(*id, "params");
    if (params == nullptr) return true;

    for (const TiXmlElement* param = params->FirstChildElement(); param != nullptr;
         param = param->NextSiblingElement()) {
        const TiXmlElement* key = param->FirstChildElement("key");
        if (key == nullptr) continue;
        const TiXmlElement* value = NextElementNamed(*key, "value");
        if (value == nullptr) continue;
        std::string valueText = FirstTextOf(*value);
        if (valueText == "(null)") valueText.clear();
        reply[FirstTextOf(*key)] = std::move(valueText);
    }
    return true;
}

std::string EncodeFlatXml(const ParamMap& request) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "GBK", ""));
    auto* command = document.LinkEndChild(new TiXmlElement("command"))->ToElement();
    AddTextElement(*command, "cmdid", std::to_string(kFlatCommandCode));
    for (const auto& [key, value] : request) AddTextElement(*command, key, value);
    return Print(document);
}

bool DecodeFlatXml(std::string_view text, ParamMap& reply) {
    TiXmlDocument document;
    if (!ParseDocument(text, document)) return false;
    const TiXmlElement* root = document.FirstChildElement();
    if (root == nullptr) return false;
    reply[root->ValueStr()] = "root";
    for (const TiXmlElement* child = root->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        reply[child->ValueStr()] = FirstTextOf(*child);
    }
    return true;
}

}  // namespace ostrand
