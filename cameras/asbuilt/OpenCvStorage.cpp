#include "cameras/asbuilt/OpenCvStorage.h"

#include <tinyxml2.h>
#include <yaml-cpp/yaml.h>

#include <charconv>
#include <cmath>
#include <new>
#include <unordered_map>

namespace
{

// Decimal numbers as a FileStorage file writes them ("640.", "1.6e+03",
// "-2"); anything else, and a number with more after it, is text.
std::optional<double> NumberText(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    const size_t digits = text.find_first_not_of('-');
    if (digits != 0 && digits != 1)
        return std::nullopt;
    if (digits >= text.size() || !((text[digits] >= '0' && text[digits] <= '9') || text[digits] == '.'))
        return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

class COpenCvYaml final : public COpenCvStorage
{
  public:
    explicit COpenCvYaml(const YAML::Node& root)
    {
        // One pass over the keys: a look-up by yaml-cpp walks them all.
        for (const auto& member : root)
            if (member.first.IsScalar())
                m_values.emplace(member.first.Scalar(), member.second);
    }

    bool Has(const std::string& key) const override
    {
        const auto it = m_values.find(key);
        return it != m_values.end() && !it->second.IsNull();
    }

    std::optional<OpenCvScalar> Scalar(const std::string& key) const override
    {
        const auto value = Find(key);
        return value ? ScalarOf(*value) : std::nullopt;
    }

    std::optional<std::vector<OpenCvScalar>> ScalarList(const std::string& key, size_t most) const override
    {
        const auto value = Find(key);
        return value ? ListOf(*value, most) : std::nullopt;
    }

  protected:
    std::optional<MatrixParts> MatrixMap(const std::string& key, size_t most) const override
    {
        const auto value = Find(key);
        if (!value || !value->IsMap())
            return std::nullopt;
        MatrixParts parts;
        // The first of each key, as the top level takes it.
        for (const auto& member : *value) {
            if (!member.first.IsScalar())
                continue;
            const std::string& name = member.first.Scalar();
            if (name == "rows" && !parts.rows)
                parts.rows = ScalarOf(member.second);
            else if (name == "cols" && !parts.cols)
                parts.cols = ScalarOf(member.second);
            else if (name == "data" && !parts.data)
                parts.data = ListOf(member.second, most);
        }
        return parts;
    }

  private:
    std::optional<YAML::Node> Find(const std::string& key) const
    {
        const auto it = m_values.find(key);
        if (it == m_values.end())
            return std::nullopt;
        return it->second;
    }

    // A plain scalar may be a number; a quoted or tagged one is text.
    static std::optional<OpenCvScalar> ScalarOf(const YAML::Node& node)
    {
        if (!node.IsScalar())
            return std::nullopt;
        OpenCvScalar scalar{node.Scalar(), std::nullopt};
        if (node.Tag() == "?")
            scalar.number = NumberText(scalar.text);
        return scalar;
    }

    static std::optional<std::vector<OpenCvScalar>> ListOf(const YAML::Node& node, size_t most)
    {
        if (!node.IsSequence() || node.size() > most)
            return std::nullopt;
        std::vector<OpenCvScalar> items;
        for (const YAML::Node& item : node) {
            auto scalar = ScalarOf(item);
            if (!scalar)
                return std::nullopt;
            items.push_back(std::move(*scalar));
        }
        return items;
    }

    std::unordered_map<std::string, YAML::Node> m_values;
};

// An element holds either words (numbers, or texts in double quotes or
// bare), or elements: a map of named ones, a list of "_" ones.
struct XmlContent {
    std::vector<OpenCvScalar> words;
    std::vector<const tinyxml2::XMLElement*> elements;
    bool readable = true; // false past `most` words or on a quote that does not end
};

XmlContent ContentOf(const tinyxml2::XMLElement* element, size_t most)
{
    XmlContent content;
    for (const tinyxml2::XMLNode* child = element->FirstChild(); child && content.readable;
         child = child->NextSibling()) {
        if (const tinyxml2::XMLElement* inner = child->ToElement()) {
            content.elements.push_back(inner);
            continue;
        }
        const tinyxml2::XMLText* text = child->ToText();
        if (!text || !text->Value())
            continue;
        const std::string_view value = text->Value();
        size_t at = 0;
        while (content.readable) {
            at = value.find_first_not_of(" \t\r\n", at);
            if (at == std::string_view::npos)
                break;
            if (content.words.size() == most) {
                content.readable = false;
                break;
            }
            if (value[at] == '"') {
                const size_t end = value.find('"', at + 1);
                if (end == std::string_view::npos) {
                    content.readable = false;
                    break;
                }
                content.words.push_back({std::string(value.substr(at + 1, end - at - 1)), std::nullopt});
                at = end + 1;
            } else {
                const size_t end = std::min(value.find_first_of(" \t\r\n", at), value.size());
                const std::string_view word = value.substr(at, end - at);
                content.words.push_back({std::string(word), NumberText(word)});
                at = end;
            }
        }
    }
    return content;
}

class COpenCvXml final : public COpenCvStorage
{
  public:
    explicit COpenCvXml(std::unique_ptr<tinyxml2::XMLDocument> document) : m_document(std::move(document))
    {
        for (const tinyxml2::XMLElement* e = m_document->RootElement()->FirstChildElement(); e;
             e = e->NextSiblingElement())
            m_values.emplace(e->Name(), e);
    }

    bool Has(const std::string& key) const override
    {
        const tinyxml2::XMLElement* element = Find(key);
        if (!element)
            return false;
        const XmlContent content = ContentOf(element, 1);
        return !content.readable || !content.words.empty() || !content.elements.empty();
    }

    std::optional<OpenCvScalar> Scalar(const std::string& key) const override
    {
        const tinyxml2::XMLElement* element = Find(key);
        return element ? ScalarOf(element) : std::nullopt;
    }

    std::optional<std::vector<OpenCvScalar>> ScalarList(const std::string& key, size_t most) const override
    {
        const tinyxml2::XMLElement* element = Find(key);
        return element ? ListOf(element, most) : std::nullopt;
    }

  protected:
    std::optional<MatrixParts> MatrixMap(const std::string& key, size_t most) const override
    {
        const tinyxml2::XMLElement* element = Find(key);
        if (!element)
            return std::nullopt;
        const XmlContent content = ContentOf(element, 0);
        if (!content.readable || content.elements.empty())
            return std::nullopt;
        MatrixParts parts;
        for (const tinyxml2::XMLElement* member : content.elements) {
            const std::string_view name = member->Name();
            if (name == "rows" && !parts.rows)
                parts.rows = ScalarOf(member);
            else if (name == "cols" && !parts.cols)
                parts.cols = ScalarOf(member);
            else if (name == "data" && !parts.data)
                parts.data = ListOf(member, most);
        }
        return parts;
    }

  private:
    const tinyxml2::XMLElement* Find(const std::string& key) const
    {
        const auto it = m_values.find(key);
        return it == m_values.end() ? nullptr : it->second;
    }

    static std::optional<OpenCvScalar> ScalarOf(const tinyxml2::XMLElement* element)
    {
        XmlContent content = ContentOf(element, 1);
        if (!content.readable || content.words.size() != 1 || !content.elements.empty())
            return std::nullopt;
        return std::move(content.words.front());
    }

    // Words, or "_" elements of one word each.
    static std::optional<std::vector<OpenCvScalar>> ListOf(const tinyxml2::XMLElement* element, size_t most)
    {
        XmlContent content = ContentOf(element, most);
        if (!content.readable || (!content.words.empty() && !content.elements.empty()))
            return std::nullopt;
        if (content.elements.empty())
            return std::move(content.words);
        if (content.elements.size() > most)
            return std::nullopt;
        std::vector<OpenCvScalar> items;
        for (const tinyxml2::XMLElement* item : content.elements) {
            auto scalar = std::string_view(item->Name()) == "_" ? ScalarOf(item) : std::nullopt;
            if (!scalar)
                return std::nullopt;
            items.push_back(std::move(*scalar));
        }
        return items;
    }

    std::unique_ptr<tinyxml2::XMLDocument> m_document;
    std::unordered_map<std::string, const tinyxml2::XMLElement*> m_values;
};

std::string XmlProblem(tinyxml2::XMLError error)
{
    switch (error) {
    case tinyxml2::XML_ERROR_EMPTY_DOCUMENT:
        return "no element";
    case tinyxml2::XML_ERROR_MISMATCHED_ELEMENT:
        return "an end tag that closes no open element of its name";
    case tinyxml2::XML_ERROR_PARSING_ELEMENT:
        return "an element that does not end";
    case tinyxml2::XML_ERROR_PARSING_ATTRIBUTE:
        return "an attribute that is not name=\"value\"";
    case tinyxml2::XML_ERROR_PARSING_COMMENT:
        return "a comment that does not end";
    case tinyxml2::XML_ERROR_PARSING_DECLARATION:
        return "a declaration that does not end";
    case tinyxml2::XML_ELEMENT_DEPTH_EXCEEDED:
        return "elements nested too deep";
    default:
        return "markup that is not well formed";
    }
}

OpenCvStorageResult ParseXml(const std::string& text)
{
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    if (const tinyxml2::XMLError error = document->Parse(text.data(), text.size()); error != tinyxml2::XML_SUCCESS)
        return {nullptr,
                "not an OpenCV XML file: line " + std::to_string(document->ErrorLineNum()) + ": " + XmlProblem(error)};
    const tinyxml2::XMLElement* root = document->RootElement();
    if (!root || std::string_view(root->Name()) != "opencv_storage")
        return {nullptr, "not an OpenCV XML file: its root element is not <opencv_storage>"};
    return {std::make_unique<COpenCvXml>(std::move(document)), {}};
}

OpenCvStorageResult ParseYaml(std::string text)
{
    // OpenCV's own directive is no YAML one: a comment keeps the lines counted.
    if (text.rfind("%YAML:", 0) == 0)
        text[0] = '#';
    try {
        const YAML::Node root = YAML::Load(text);
        if (!root.IsMap())
            return {nullptr, "not an OpenCV YAML file: it holds no keys and values"};
        return {std::make_unique<COpenCvYaml>(root), {}};
    } catch (const YAML::Exception& e) {
        const std::string line = e.mark.is_null() ? "" : "line " + std::to_string(e.mark.line + 1) + ": ";
        return {nullptr, "not an OpenCV YAML file: " + line + e.msg};
    }
}

} // namespace

std::optional<OpenCvMatrix> COpenCvStorage::Matrix(const std::string& key, size_t most) const
{
    OpenCvMatrix m;
    std::vector<OpenCvScalar> data;
    if (auto parts = MatrixMap(key, most)) {
        const auto whole = [most](const std::optional<OpenCvScalar>& s) -> std::optional<int> {
            if (!s || !s->number || *s->number < 0 || *s->number > static_cast<double>(most) ||
                *s->number != std::floor(*s->number))
                return std::nullopt;
            return static_cast<int>(*s->number);
        };
        const auto rows = whole(parts->rows), cols = whole(parts->cols);
        if (!rows || !cols || !parts->data)
            return std::nullopt;
        m.rows = *rows;
        m.cols = *cols;
        data = std::move(*parts->data);
    } else if (auto list = ScalarList(key, most)) {
        m.rows = static_cast<int>(list->size());
        m.cols = 1;
        data = std::move(*list);
    } else {
        return std::nullopt;
    }
    for (const OpenCvScalar& item : data) {
        if (!item.number || !std::isfinite(*item.number))
            return std::nullopt;
        m.data.push_back(*item.number);
    }
    if (static_cast<size_t>(m.rows) * static_cast<size_t>(m.cols) != m.data.size())
        return std::nullopt;
    return m;
}

bool IsOpenCvXml(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && text[first] == '<';
}

OpenCvStorageResult ParseOpenCvStorage(const std::string& text)
{
    try {
        return IsOpenCvXml(text) ? ParseXml(text) : ParseYaml(text);
    } catch (const std::bad_alloc&) {
        return {nullptr, "too large to read in the memory free"};
    } catch (const std::exception& e) {
        // yaml-cpp lets the standard library's own exceptions through, bad_alloc among them.
        return {nullptr, std::string("not an OpenCV YAML or XML file: ") + e.what()};
    }
}
