#include "tasks/pure/TaskXml.h"

#include <rapidxml/rapidxml.hpp>

#include <memory>
#include <optional>

#include "core/Utf8.h"

namespace vt::tasks {

namespace {

using Node = rapidxml::xml_node<char>;

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16Unit(std::string& out, char16_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

void AppendAsUtf16(std::string& out, char32_t cp) {
    if (cp < 0x10000) {
        AppendUtf16Unit(out, static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        AppendUtf16Unit(out, static_cast<char16_t>(0xD800 + (cp >> 10)));
        AppendUtf16Unit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

DecodedText FromUtf16(std::string_view b, bool little) {
    DecodedText out;
    const size_t units = b.size() / 2;
    // Three bytes at most for each unit (a pair of two takes four): written in place, as
    // task files run to megabytes.
    out.utf8.resize(units * 3);
    char* o = out.utf8.data();
    const auto* p = reinterpret_cast<const unsigned char*>(b.data());
    const size_t lo = little ? 0 : 1, hi = 1 - lo;
    auto unit = [&](size_t k) -> char32_t { return char32_t{p[2 * k + lo]} | (char32_t{p[2 * k + hi]} << 8); };
    auto put = [&](char32_t c) { *o++ = static_cast<char>(c); };
    for (size_t k = 0; k < units; ++k) {
        char32_t u = unit(k);
        if (u < 0x80) {
            put(u);
        } else if (u < 0x800) {
            put(0xC0 | (u >> 6));
            put(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
                char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
                put(0xF0 | (cp >> 18));
                put(0x80 | ((cp >> 12) & 0x3F));
                put(0x80 | ((cp >> 6) & 0x3F));
                put(0x80 | (cp & 0x3F));
                ++k;
            } else {
                // U+FFFD
                put(0xEF);
                put(0xBF);
                put(0xBD);
                out.exact = false;
            }
        } else {
            put(0xE0 | (u >> 12));
            put(0x80 | ((u >> 6) & 0x3F));
            put(0x80 | (u & 0x3F));
        }
    }
    out.utf8.resize(static_cast<size_t>(o - out.utf8.data()));
    // A file cut inside a unit.
    if (b.size() % 2 != 0) out.exact = false;
    return out;
}

// Valid UTF-8 as it is, anything else with U+FFFD in place of each byte that starts no
// sequence; NUL characters (which a numeric reference can produce) are dropped.
std::string CleanUtf8(std::string_view s, bool* exact = nullptr) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (b != 0) out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        char32_t cp = 0;
        size_t len = 0;
        if (DecodeUtf8(s, i, cp, len)) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            AppendUtf8(out, kReplacement);
            if (exact) *exact = false;
            ++i;
        }
    }
    return out;
}

DecodedText FromUtf8(std::string_view b) {
    DecodedText out;
    // Task files are mostly ASCII: check before copying byte by byte.
    bool plain = true;
    for (char c : b) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            plain = false;
            break;
        }
    }
    if (plain) {
        out.utf8.assign(b);
        return out;
    }
    for (size_t i = 0; i < b.size();) {
        char32_t cp = 0;
        size_t len = 0;
        if (DecodeUtf8(b, i, cp, len)) {
            out.utf8.append(b.substr(i, len));
            i += len;
        } else {
            AppendUtf8(out.utf8, kReplacement);
            out.exact = false;
            ++i;
        }
    }
    return out;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsXmlSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsXmlSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Whether no element of the document lies deeper than `limit`, following the parser's own
// reading of comments, CDATA sections, processing instructions, declarations and quoted
// attribute values, so that it never counts fewer levels than the parser will recurse
// into before it stops. Where the two could part (a tag the parser rejects) this counts
// more, never less.
bool NestingWithin(std::string_view s, int limit) {
    const size_t n = s.size();
    auto skipPast = [&](size_t from, std::string_view end) {
        size_t at = s.find(end, from);
        return at == std::string_view::npos ? n : at + end.size();
    };
    int depth = 0;
    size_t i = 0;
    while (i < n) {
        size_t lt = s.find('<', i);
        if (lt == std::string_view::npos) break;
        i = lt + 1;
        const char next = i < n ? s[i] : '\0';
        if (next == '!') {
            if (s.compare(i, 3, "!--") == 0) i = skipPast(i + 3, "-->");
            else if (s.compare(i, 8, "![CDATA[") == 0) i = skipPast(i + 8, "]]>");
            else i = skipPast(i + 1, ">");
        } else if (next == '?') {
            i = skipPast(i + 1, "?>");
        } else if (next == '/') {
            if (depth > 0) --depth;
            i = skipPast(i + 1, ">");
        } else {
            if (++depth > limit) return false;
            char quote = 0;
            for (; i < n; ++i) {
                const char c = s[i];
                if (quote != 0) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    if (s[i - 1] == '/' && depth > 0) --depth;
                    ++i;
                    break;
                }
            }
        }
    }
    return true;
}

std::string_view NameOf(const Node* n) { return {n->name(), n->name_size()}; }

std::string_view PrefixOf(std::string_view name) {
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view{} : name.substr(0, colon);
}

std::string_view LocalNameOf(std::string_view name) {
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The namespace an element's name is in, from the declarations in scope; "" for no
// namespace, nothing for a prefix that no declaration binds.
std::optional<std::string_view> NamespaceOf(const Node* element) {
    const std::string_view prefix = PrefixOf(NameOf(element));
    for (const Node* p = element; p != nullptr && p->type() == rapidxml::node_element; p = p->parent()) {
        for (const auto* a = p->first_attribute(); a != nullptr; a = a->next_attribute()) {
            std::string_view name(a->name(), a->name_size());
            bool declares = prefix.empty() ? name == "xmlns"
                                           : name.size() == prefix.size() + 6 && name.substr(0, 6) == "xmlns:" &&
                                                 name.substr(6) == prefix;
            if (declares) return std::string_view(a->value(), a->value_size());
        }
    }
    if (prefix.empty()) return std::string_view{};
    return std::nullopt;
}

// An element of the task schema: in its namespace, or in none (files written by hand).
bool IsTaskElement(const Node* n) {
    if (n->type() != rapidxml::node_element) return false;
    std::optional<std::string_view> ns = NamespaceOf(n);
    return ns && (*ns == kTaskNamespace || ns->empty());
}

bool IsTaskElement(const Node* n, std::string_view localName) {
    return n->type() == rapidxml::node_element && LocalNameOf(NameOf(n)) == localName && IsTaskElement(n);
}

const Node* Child(const Node* parent, std::string_view localName) {
    if (parent == nullptr) return nullptr;
    for (const Node* c = parent->first_node(); c != nullptr; c = c->next_sibling()) {
        if (IsTaskElement(c, localName)) return c;
    }
    return nullptr;
}

// The element's character data (text and CDATA sections together), trimmed.
std::string TextOf(const Node* element) {
    if (element == nullptr) return {};
    std::string raw;
    for (const Node* c = element->first_node(); c != nullptr; c = c->next_sibling()) {
        if (c->type() == rapidxml::node_data || c->type() == rapidxml::node_cdata)
            raw.append(c->value(), c->value_size());
    }
    return CleanUtf8(Trim(raw));
}

std::string ChildText(const Node* parent, std::string_view localName) { return TextOf(Child(parent, localName)); }

bool BooleanOf(const Node* element, bool otherwise) {
    if (element == nullptr) return otherwise;
    std::string t = TextOf(element);
    for (char& c : t) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (t == "true" || t == "1") return true;
    if (t == "false" || t == "0") return false;
    return otherwise;
}

TaskAction ActionOf(const Node* element) {
    TaskAction a;
    std::string_view local = LocalNameOf(NameOf(element));
    if (local == "Exec") {
        a.kind = ActionKind::Exec;
        a.command = ChildText(element, "Command");
        a.arguments = ChildText(element, "Arguments");
        a.workingDirectory = ChildText(element, "WorkingDirectory");
    } else if (local == "ComHandler") {
        a.kind = ActionKind::ComHandler;
        a.classId = ChildText(element, "ClassId");
    }
    return a;
}

}  // namespace

std::string_view TriggerName(TriggerKind kind) {
    switch (kind) {
    case TriggerKind::Logon: return "logon";
    case TriggerKind::Boot: return "boot";
    case TriggerKind::Time: return "time";
    case TriggerKind::Calendar: return "calendar";
    case TriggerKind::Idle: return "idle";
    case TriggerKind::Event: return "event";
    case TriggerKind::Registration: return "registration";
    case TriggerKind::SessionChange: return "session-change";
    case TriggerKind::Other: break;
    }
    return "other";
}

TriggerKind TriggerKindOf(std::string_view localName) {
    struct Known {
        std::string_view element;
        TriggerKind kind;
    };
    static constexpr Known kKnown[] = {
        {"LogonTrigger", TriggerKind::Logon},
        {"BootTrigger", TriggerKind::Boot},
        {"TimeTrigger", TriggerKind::Time},
        {"CalendarTrigger", TriggerKind::Calendar},
        {"IdleTrigger", TriggerKind::Idle},
        {"EventTrigger", TriggerKind::Event},
        {"RegistrationTrigger", TriggerKind::Registration},
        {"SessionStateChangeTrigger", TriggerKind::SessionChange},
    };
    for (const Known& k : kKnown) {
        if (k.element == localName) return k.kind;
    }
    return TriggerKind::Other;
}

DecodedText DecodeTaskText(std::string_view bytes) {
    auto at = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100; };
    if (at(0) == 0xFF && at(1) == 0xFE) return FromUtf16(bytes.substr(2), true);
    if (at(0) == 0xFE && at(1) == 0xFF) return FromUtf16(bytes.substr(2), false);
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return FromUtf8(bytes.substr(3));
    if (at(0) == '<' && at(1) == 0) return FromUtf16(bytes, true);
    if (at(0) == 0 && at(1) == '<') return FromUtf16(bytes, false);
    return FromUtf8(bytes);
}

TaskXmlResult ReadTaskXml(std::string_view bytes, std::string_view fallbackPath) {
    TaskXmlResult result;
    result.task.path = CleanUtf8(fallbackPath);
    if (bytes.size() > kMaxTaskFileBytes) {
        result.error = "la definizione \xc3\xa8 troppo grande (" + std::to_string(bytes.size()) + " byte)";
        return result;
    }
    DecodedText decoded = DecodeTaskText(bytes);
    std::string& text = decoded.utf8;
    // Some writers end the text with a NUL character.
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (Trim(text).empty()) {
        result.error = "la definizione \xc3\xa8 vuota";
        return result;
    }
    // The parser stops at a NUL as at the end of the text, and XML has no such character.
    if (text.find('\0') != std::string::npos) {
        result.error = "la definizione contiene caratteri NUL: non \xc3\xa8 un documento XML";
        return result;
    }
    if (!NestingWithin(text, kMaxTaskXmlDepth)) {
        result.error = "la definizione ha elementi annidati oltre " + std::to_string(kMaxTaskXmlDepth) + " livelli";
        return result;
    }

    // The parser writes into the text (entities, terminators) and needs its NUL at the end,
    // which std::string keeps. Its pool of 64 KB lives in the document: not on the stack.
    auto doc = std::make_unique<rapidxml::xml_document<char>>();
    try {
        doc->parse<rapidxml::parse_validate_closing_tags>(text.data());
    } catch (const rapidxml::parse_error& e) {
        const char* where = e.where<char>();
        result.error = std::string("la definizione non \xc3\xa8 XML valido (") + e.what();
        if (where != nullptr && where >= text.data() && where <= text.data() + text.size())
            result.error += ", carattere " + std::to_string(where - text.data());
        result.error += ")";
        return result;
    }

    const Node* root = doc->first_node();
    while (root != nullptr && root->type() != rapidxml::node_element) root = root->next_sibling();
    if (root == nullptr || !IsTaskElement(root, "Task")) {
        result.error = "il documento non \xc3\xa8 la definizione di un'attivit\xc3\xa0";
        if (root != nullptr) result.error += " (elemento radice " + CleanUtf8(NameOf(root)) + ")";
        return result;
    }

    TaskDefinition& task = result.task;
    const Node* info = Child(root, "RegistrationInfo");
    if (std::string uri = ChildText(info, "URI"); !uri.empty()) task.path = std::move(uri);
    task.author = ChildText(info, "Author");
    task.description = ChildText(info, "Description");

    const Node* settings = Child(root, "Settings");
    task.enabled = BooleanOf(Child(settings, "Enabled"), true);
    task.hidden = BooleanOf(Child(settings, "Hidden"), false);

    if (const Node* triggers = Child(root, "Triggers")) {
        for (const Node* t = triggers->first_node(); t != nullptr; t = t->next_sibling()) {
            if (IsTaskElement(t)) task.triggers.push_back(TriggerKindOf(LocalNameOf(NameOf(t))));
        }
    }
    if (const Node* actions = Child(root, "Actions")) {
        for (const Node* a = actions->first_node(); a != nullptr; a = a->next_sibling()) {
            if (IsTaskElement(a)) task.actions.push_back(ActionOf(a));
        }
    }
    result.ok = true;
    return result;
}

std::string TaskXmlForBackup(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return std::string(bytes);
    DecodedText decoded = DecodeTaskText(bytes);
    if (!decoded.exact || bytes.empty()) return std::string(bytes);
    std::string text = std::move(decoded.utf8);

    // The declaration names the encoding the text is in: after conversion, UTF-16.
    if (text.compare(0, 5, "<?xml") == 0) {
        const size_t end = text.find("?>");
        size_t at = text.find("encoding", 5);
        if (end != std::string::npos && at != std::string::npos && at < end) {
            size_t p = at + 8;
            while (p < end && IsXmlSpace(text[p])) ++p;
            if (p < end && text[p] == '=') {
                ++p;
                while (p < end && IsXmlSpace(text[p])) ++p;
                if (p < end && (text[p] == '"' || text[p] == '\'')) {
                    const size_t close = text.find(text[p], p + 1);
                    if (close != std::string::npos && close < end) text.replace(p + 1, close - p - 1, "UTF-16");
                }
            }
        }
    }

    std::string out("\xFF\xFE", 2);
    out.reserve(2 + text.size() * 2);
    ForEachCodePoint(text, [&](char32_t cp, bool) { AppendAsUtf16(out, cp); });
    return out;
}

}  // namespace vt::tasks
