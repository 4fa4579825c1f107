#include "net/UpnpDescription.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxNameBytes = 128;      // an element's or attribute's qualified name
constexpr size_t kMaxReferenceBytes = 10;  // between '&' and ';': "#x0010FFFF" at most
constexpr uint32_t kLastCodePoint = 0x10FFFF;

bool IsXmlSpace(uint32_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameByte(unsigned char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void AppendUtf8(std::string& text, uint32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | c >> 18);
        text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character of the well-formed UTF-8 sequence at `s`, and its length; false for a cut,
// overlong or surrogate sequence, or a byte that cannot start one.
bool DecodeUtf8(const unsigned char* s, size_t size, uint32_t& c, size_t& length)
{
    const unsigned char lead = s[0];
    if (lead < 0x80) {
        c = lead;
        length = 1;
        return true;
    }
    // C0, C1 and F5 to FF start no sequence that could be the shortest form of a character.
    if (lead < 0xC2 || lead > 0xF4)
        return false;
    length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    c = lead & (0x7Fu >> length);
    const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (length > size)
        return false;
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return false;
        c = c << 6 | (s[i] & 0x3Fu);
    }
    return c >= least && c <= kLastCodePoint && !(c >= 0xD800 && c <= 0xDFFF);
}

// The character of "lt", "#65", "#x41" and the like (the text between '&' and ';').
bool DecodeReference(const char* name, size_t size, uint32_t& c)
{
    static const struct {
        const char* Name;
        char Character;
    } kPredefined[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& entity : kPredefined) {
        if (size == std::strlen(entity.Name) && std::memcmp(name, entity.Name, size) == 0) {
            c = static_cast<unsigned char>(entity.Character);
            return true;
        }
    }
    if (size < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    size_t at = hex ? 2 : 1;
    if (at == size)
        return false;
    c = 0;
    for (; at < size; ++at) {
        const char d = name[at];
        uint32_t digit = 0;
        if (d >= '0' && d <= '9')
            digit = static_cast<uint32_t>(d - '0');
        else if (hex && d >= 'a' && d <= 'f')
            digit = static_cast<uint32_t>(d - 'a' + 10);
        else if (hex && d >= 'A' && d <= 'F')
            digit = static_cast<uint32_t>(d - 'A' + 10);
        else
            return false;
        c = c * (hex ? 16 : 10) + digit;
        if (c > kLastCodePoint)
            return false;
    }
    return c != 0 && !(c >= 0xD800 && c <= 0xDFFF);
}

// One field's value as it is read: white space folded and trimmed, cut at its length, spoiled
// for good by a control character anywhere in it.
class CFieldText {
public:
    explicit CFieldText(size_t maxChars) : m_MaxChars(maxChars) {}

    bool Started() const { return m_Started; }
    void Start() { m_Started = true; }
    void Spoil() { m_Spoiled = true; }
    std::string Value() const { return m_Spoiled ? std::string() : m_Text; }

    void Add(uint32_t c)
    {
        if (IsXmlSpace(c)) {
            m_Space = !m_Text.empty();
            return;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            m_Spoiled = true;
            return;
        }
        const size_t needed = m_Space ? 2 : 1;
        if (m_Full || m_Chars + needed > m_MaxChars) {
            m_Full = true;
            return;
        }
        if (m_Space)
            m_Text += ' ';
        AppendUtf8(m_Text, c);
        m_Chars += needed;
        m_Space = false;
    }

    // Raw text of the document: references decoded unless it is CDATA.
    void AddText(const char* text, size_t size, bool references)
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        size_t at = 0;
        while (at < size) {
            uint32_t c = 0;
            size_t length = 0;
            if (references && text[at] == '&') {
                const size_t reach = std::min(size - at - 1, kMaxReferenceBytes + 1);
                const auto* end = static_cast<const char*>(std::memchr(text + at + 1, ';', reach));
                if (!end || !DecodeReference(text + at + 1, static_cast<size_t>(end - text - at - 1), c)) {
                    m_Spoiled = true;
                    return;
                }
                Add(c);
                at = static_cast<size_t>(end - text) + 1;
            } else if (DecodeUtf8(bytes + at, size - at, c, length)) {
                Add(c);
                at += length;
            } else {
                Add('?');
                ++at;
            }
        }
    }

private:
    size_t m_MaxChars;
    std::string m_Text;
    size_t m_Chars = 0;
    bool m_Space = false;  // white space read since the last character kept
    bool m_Full = false;
    bool m_Started = false;
    bool m_Spoiled = false;
};

const char* LocalName(const std::string& name)
{
    const size_t colon = name.rfind(':');
    return name.c_str() + (colon == std::string::npos ? 0 : colon + 1);
}

// A cursor over the document that follows its elements without recursion: the open elements'
// names are a stack of at most kMaxDescriptionDepth.
class CDescriptionReader {
public:
    CDescriptionReader(const char* xml, size_t size) : m_Data(xml), m_Size(xml ? size : 0) {}

    bool Read(UpnpDevice& device)
    {
        static const char kByteOrderMark[] = "\xEF\xBB\xBF";
        if (StartsWith(kByteOrderMark))
            m_At += 3;
        while (m_At < m_Size) {
            if (m_Data[m_At] != '<') {
                if (!ReadText())
                    return false;
            } else if (StartsWith("<?")) {
                if (!SkipPast(2, "?>"))
                    return false;
            } else if (StartsWith("<!--")) {
                if (!SkipPast(4, "-->"))
                    return false;
            } else if (StartsWith("<![CDATA[")) {
                if (!ReadCharacterData())
                    return false;
            } else if (StartsWith("<!")) {
                return false;  // DOCTYPE, ENTITY and every other declaration
            } else if (StartsWith("</")) {
                if (!ReadEndTag())
                    return false;
                if (m_Open.empty()) {
                    device.FriendlyName = m_FriendlyName.Value();
                    device.Manufacturer = m_Manufacturer.Value();
                    device.ModelName = m_ModelName.Value();
                    return m_FoundDevice;
                }
            } else if (!ReadStartTag()) {
                return false;
            }
        }
        return false;  // the document ended before its element did
    }

private:
    bool StartsWith(const char* text) const
    {
        const size_t size = std::strlen(text);
        return m_Size - m_At >= size && std::memcmp(m_Data + m_At, text, size) == 0;
    }

    // Moves past the first `end` after `skip` bytes; false where there is none.
    bool SkipPast(size_t skip, const char* end)
    {
        const size_t endSize = std::strlen(end);
        for (size_t at = m_At + skip; at + endSize <= m_Size; ++at) {
            if (std::memcmp(m_Data + at, end, endSize) == 0) {
                m_At = at + endSize;
                return true;
            }
        }
        return false;
    }

    bool SkipSpace()
    {
        const size_t start = m_At;
        while (m_At < m_Size && IsXmlSpace(static_cast<unsigned char>(m_Data[m_At])))
            ++m_At;
        return m_At > start;
    }

    bool ReadName(std::string& name)
    {
        const size_t start = m_At;
        if (m_At >= m_Size || !IsNameStart(static_cast<unsigned char>(m_Data[m_At])))
            return false;
        while (m_At < m_Size && IsNameByte(static_cast<unsigned char>(m_Data[m_At])))
            ++m_At;
        if (m_At - start > kMaxNameBytes)
            return false;
        name.assign(m_Data + start, m_At - start);
        return true;
    }

    // Outside the document element only white space may stand.
    bool ReadText()
    {
        const auto* next = static_cast<const char*>(std::memchr(m_Data + m_At, '<', m_Size - m_At));
        const size_t end = next ? static_cast<size_t>(next - m_Data) : m_Size;
        if (m_Open.empty()) {
            for (size_t at = m_At; at < end; ++at) {
                if (!IsXmlSpace(static_cast<unsigned char>(m_Data[at])))
                    return false;
            }
        } else if (m_Field && m_Open.size() == m_FieldDepth) {
            m_Field->AddText(m_Data + m_At, end - m_At, true);
        }
        m_At = end;
        return true;
    }

    bool ReadCharacterData()
    {
        const size_t start = m_At + 9;
        if (m_Open.empty() || !SkipPast(9, "]]>"))
            return false;
        if (m_Field && m_Open.size() == m_FieldDepth)
            m_Field->AddText(m_Data + start, m_At - 3 - start, false);
        return true;
    }

    // Attributes are only checked for form: none of them is read.
    bool ReadStartTag()
    {
        ++m_At;
        std::string name;
        if (!ReadName(name))
            return false;
        bool empty = false;
        for (;;) {
            const bool space = SkipSpace();
            if (m_At >= m_Size)
                return false;
            if (m_Data[m_At] == '>') {
                ++m_At;
                break;
            }
            if (StartsWith("/>")) {
                m_At += 2;
                empty = true;
                break;
            }
            std::string attribute;
            if (!space || !ReadName(attribute))
                return false;
            SkipSpace();
            if (m_At >= m_Size || m_Data[m_At] != '=')
                return false;
            ++m_At;
            SkipSpace();
            if (m_At >= m_Size || (m_Data[m_At] != '"' && m_Data[m_At] != '\''))
                return false;
            const char quote = m_Data[m_At++];
            const auto* end = static_cast<const char*>(std::memchr(m_Data + m_At, quote, m_Size - m_At));
            if (!end || std::memchr(m_Data + m_At, '<', static_cast<size_t>(end - m_Data) - m_At))
                return false;
            m_At = static_cast<size_t>(end - m_Data) + 1;
        }
        return OnStartTag(name, empty);
    }

    bool OnStartTag(const std::string& name, bool empty)
    {
        const size_t depth = m_Open.size();  // of the parent
        if (depth == kMaxDescriptionDepth)
            return false;
        const char* local = LocalName(name);
        if (depth == 0 && (empty || std::strcmp(local, "root") != 0))
            return false;
        if (m_Field && depth >= m_FieldDepth)
            m_Field->Spoil();  // markup inside a value
        if (depth == 1 && !m_FoundDevice && std::strcmp(local, "device") == 0) {
            m_FoundDevice = true;
            m_InRootDevice = !empty;
        } else if (depth == 2 && m_InRootDevice) {
            CFieldText* field = std::strcmp(local, "friendlyName") == 0 ? &m_FriendlyName
                              : std::strcmp(local, "manufacturer") == 0 ? &m_Manufacturer
                              : std::strcmp(local, "modelName") == 0   ? &m_ModelName
                                                                         : nullptr;
            if (field && !field->Started()) {
                field->Start();
                if (!empty) {
                    m_Field = field;
                    m_FieldDepth = depth + 1;
                }
            }
        }
        if (!empty)
            m_Open.push_back(name);
        return true;
    }

    bool ReadEndTag()
    {
        m_At += 2;
        std::string name;
        if (!ReadName(name))
            return false;
        SkipSpace();
        if (m_At >= m_Size || m_Data[m_At] != '>' || m_Open.empty() || m_Open.back() != name)
            return false;
        ++m_At;
        if (m_Field && m_Open.size() == m_FieldDepth)
            m_Field = nullptr;
        if (m_Open.size() == 2)
            m_InRootDevice = false;
        m_Open.pop_back();
        return true;
    }

    const char* m_Data;
    size_t m_Size;
    size_t m_At = 0;
    std::vector<std::string> m_Open;
    bool m_FoundDevice = false;
    bool m_InRootDevice = false;
    CFieldText m_FriendlyName{kMaxFriendlyNameChars};
    CFieldText m_Manufacturer{kMaxManufacturerChars};
    CFieldText m_ModelName{kMaxModelNameChars};
    CFieldText* m_Field = nullptr;  // the value being read, at m_FieldDepth open elements
    size_t m_FieldDepth = 0;
};

bool IsAlphanumeric(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `text` starts with `name` as a whole word, letter case aside.
bool StartsWithName(const std::string& text, const std::string& name)
{
    if (name.empty() || text.size() < name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(name[i]))
            return false;
    }
    return text.size() == name.size() || !IsAlphanumeric(text[name.size()]);
}

}  // namespace

bool ReadUpnpDescription(const char* xml, size_t size, UpnpDevice& device)
{
    device = UpnpDevice();
    CDescriptionReader reader(xml, size);
    return reader.Read(device);
}

std::string UpnpDeviceDescription(const UpnpDevice& device)
{
    const std::string& maker = device.Manufacturer;
    const std::string& model = device.ModelName;
    if (model.empty())
        return maker;
    if (maker.empty())
        return model;
    const std::string firstWord = maker.substr(0, maker.find_first_of(" ,"));
    if (StartsWithName(model, maker) || StartsWithName(model, firstWord))
        return model;
    return maker + ' ' + model;
}
