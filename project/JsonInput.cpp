#include "project/JsonInput.h"

#include "scene/PrintableText.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unordered_set>
#include <utility>
#include <vector>

namespace
{

constexpr const char* kNotJson = "the file is not JSON";

// Scans the document as the parser reads it, without building it, and stops
// at the first key given twice, level too deep or value too many; a number
// beyond double range is named rather than called a syntax error.
class CJsonScan final : public nlohmann::json_sax<Json>
{
  public:
    explicit CJsonScan(std::string root) : m_strRoot(std::move(root)) {}
    const std::string& Error() const { return m_strError; }

    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override { return Open(false); }
    bool start_array(std::size_t) override { return Open(true); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& key) override
    {
        Level& level = m_aLevels.back();
        level.key = key;
        if (!level.keys.insert(key).second)
            return Refuse(Path(m_aLevels.size()) + ": the key is given twice");
        return true;
    }

    bool parse_error(std::size_t, const std::string& token, const nlohmann::detail::exception& error) override
    {
        // 406: a number the parser read but that does not fit a double.
        if (error.id == 406)
            return Refuse(Path(m_aLevels.size(), true) + ": the number " + token.substr(0, 40) +
                          " is beyond the range of a double");
        return Refuse(kNotJson);
    }

  private:
    struct Level {
        bool array = false;
        size_t next = 0; // arrays: the index of the next element
        std::string key; // objects: the key of the value being read
        std::unordered_set<std::string> keys;
    };

    bool Refuse(const std::string& message)
    {
        if (m_strError.empty())
            m_strError = PrintableText(message);
        return false;
    }

    // "room.length_m", "cameras[2].label" for the first `depth` levels;
    // `pending` when the innermost value has not been counted yet.
    std::string Path(size_t depth, bool pending = false) const
    {
        std::string path = m_strRoot;
        for (size_t i = 0; i < depth && i < m_aLevels.size(); ++i) {
            const Level& level = m_aLevels[i];
            const bool last = i + 1 == m_aLevels.size();
            if (level.array)
                path += "[" + std::to_string(pending && last ? level.next : level.next - 1) + "]";
            else
                path += (path.empty() ? "" : ".") + level.key;
        }
        return path.empty() ? "(document)" : path;
    }

    bool Value()
    {
        if (!m_aLevels.empty() && m_aLevels.back().array)
            ++m_aLevels.back().next;
        if (++m_nValues > kMaxJsonValues)
            return Refuse(Path(0) + ": more than " + std::to_string(kMaxJsonValues) + " values in the file");
        return true;
    }

    bool Open(bool array)
    {
        if (!Value())
            return false;
        if (m_aLevels.size() == static_cast<size_t>(kMaxJsonDepth))
            return Refuse(Path(1) + ": lists and objects nested more than " + std::to_string(kMaxJsonDepth) +
                          " levels deep");
        m_aLevels.push_back({array, 0, {}, {}});
        return true;
    }

    bool Close()
    {
        m_aLevels.pop_back();
        return true;
    }

    std::string m_strRoot; // what the document is called in a message, or empty
    std::vector<Level> m_aLevels;
    size_t m_nValues = 0;
    std::string m_strError;
};

} // namespace

JsonReadResult ParseJsonDocument(std::string_view text, const std::string& root)
{
    JsonReadResult result;
    CJsonScan scan(root);
    if (!Json::sax_parse(text, &scan)) {
        result.error = scan.Error().empty() ? kNotJson : scan.Error();
        return result;
    }
    Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded())
        result.error = kNotJson;
    else
        result.document = std::move(document);
    return result;
}

JsonFileText ReadJsonFileText(const std::string& path, const char* what)
{
    JsonFileText result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        result.error = std::filesystem::exists(path, ec) ? path + " is not a regular file" : path + " does not exist";
        return result;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        result.error = "cannot read " + path;
        return result;
    }
    if (size > kLargestJsonFileBytes) {
        result.error =
            path + " is too large for " + what + ": more than " + std::to_string(kLargestJsonFileBytes >> 20) + " MiB";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "cannot open " + path;
        return result;
    }
    std::string text(static_cast<size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        result.error = "cannot read " + path;
        return result;
    }
    result.text = std::move(text);
    return result;
}
