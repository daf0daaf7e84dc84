// The STEP reader. One recursive-descent parser serves both passes: the scan when the file is
// opened, which checks every token and records where each instance is, and the building of an
// instance's values when it is first asked for, which parses the same text again and therefore
// cannot find anything the scan has not already accepted.
#include "input/ifc/step.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/line_reader.h"
#include "base/text.h"

namespace qelt {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool is_keyword_char(char c) {
    return is_letter(c) || is_digit(c);
}
int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// A piece of the file as a message quotes it: line ends and runs of blanks as one space, cut to
// 40 characters.
std::string quoted(std::string_view written) {
    std::string text;
    bool blank = false;
    for (char c : written) {
        if (c == ' ' || c == '\t' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !text.empty()) text += ' ';
        blank = false;
        text += c;
    }
    constexpr std::size_t kShown = 40;
    if (utf8_length(text) > kShown) {
        std::size_t end = 0;
        for (std::size_t n = 0; n < kShown; ++n) end = next_utf8_boundary(text, end);
        text = text.substr(0, end) + "…";
    }
    return "“" + text + "”";
}

// A description followed by what is said about it, with a blank between where a Latin name
// meets the Chinese text ("#12=IFCX 只有…", "…的第 2 项应为…").
std::string joined(const std::string& description, const std::string& what) {
    const bool latin =
        !description.empty() && static_cast<unsigned char>(description.back()) < 0x80;
    return latin ? description + " " + what : description + what;
}

}  // namespace

const char* step_kind_name(StepValue::Kind kind) {
    switch (kind) {
        case StepValue::Kind::unset:
            return "未给出的值（$）";
        case StepValue::Kind::derived:
            return "派生值（*）";
        case StepValue::Kind::integer:
            return "整数";
        case StepValue::Kind::real:
            return "实数";
        case StepValue::Kind::string:
            return "字符串（'…'）";
        case StepValue::Kind::enumeration:
            return "枚举值（.名称.）";
        case StepValue::Kind::binary:
            return "二进制值（\"…\"）";
        case StepValue::Kind::reference:
            return "实例引用（#n）";
        case StepValue::Kind::list:
            return "列表（(…)）";
        case StepValue::Kind::typed:
            return "带类型的值（如 IFCLENGTHMEASURE(1.5)）";
    }
    return "值";
}

// ---------------------------------------------------------------------------------------------
// The parser.

class StepFile::Parser {
  public:
    // `writable`, given during the scan, is the same text as `text`: keywords are made upper
    // case in place, so that the views handed out later read upper case.
    Parser(std::string_view text, char* writable, const std::string& path, std::size_t pos,
           long line)
        : text_(text), writable_(writable), path_(path), pos_(pos), line_(line) {}

    std::size_t pos() const { return pos_; }
    long line() const { return line_; }
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }
    void set_context(std::string context) { context_ = std::move(context); }
    void seek(std::size_t pos, long line) {
        pos_ = pos;
        line_ = line;
    }

    // The number of an instance #n, from its '#'.
    std::int64_t instance_number() {
        ++pos_;
        return digits_number("实例号");
    }

    [[noreturn]] void fail(const std::string& what, long line) const {
        throw DataError(context_ + what, path_, line);
    }
    [[noreturn]] void fail(const std::string& what) const { fail(what, line_); }

    // "应为<expected>，文件中是“…”", or the end of the file where the text ends.
    [[noreturn]] void unexpected(const std::string& expected) const {
        if (at_end()) fail("应为" + expected + "，文件却已结束（文件可能不完整）");
        std::size_t end = pos_;
        for (int n = 0; n < 24 && end < text_.size() && text_[end] != '\n'; ++n)
            end = next_utf8_boundary(text_, end);
        fail("应为" + expected + "，文件中是" + quoted(text_.substr(pos_, end - pos_)));
    }

    // Skips blanks, line ends and comments.
    void skip() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t') {
                ++pos_;
            } else if (c == '\n') {
                ++pos_;
                ++line_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                const long start = line_;
                pos_ += 2;
                for (;;) {
                    if (pos_ + 1 >= text_.size()) fail("注释“/*”没有结束（缺少“*/”）", start);
                    if (text_[pos_] == '*' && text_[pos_ + 1] == '/') break;
                    if (text_[pos_] == '\n') ++line_;
                    ++pos_;
                }
                pos_ += 2;
            } else {
                return;
            }
        }
    }

    void expect(char c) {
        skip();
        if (peek() != c) unexpected(std::string("“") + c + "”");
        ++pos_;
    }

    // A section word (HEADER, ENDSEC, DATA, END-ISO-10303-21) or a keyword, upper case; empty
    // where none begins.
    std::string_view word() {
        skip();
        const std::size_t start = pos_;
        if (peek() == '!') ++pos_;
        while (pos_ < text_.size() && (is_keyword_char(text_[pos_]) || text_[pos_] == '-')) {
            if (writable_) writable_[pos_] = upper(text_[pos_]);
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // An entity or type name: a letter or '_' (after '!' for a user-defined one), then letters,
    // digits and '_'.
    std::string_view keyword(const char* expected) {
        skip();
        const std::size_t start = pos_;
        const std::string_view w = word();
        const std::size_t first = w.starts_with('!') ? 1 : 0;
        if (w.size() <= first || !is_letter(w[first]) || w.find('-') != std::string_view::npos) {
            pos_ = start;
            unexpected(expected);
        }
        return w;
    }

    // The attribute list that begins at the next '(' up to its ')'; values into `out` when
    // given, else only checked.
    void attributes(std::vector<StepValue>* out) {
        skip();
        if (peek() != '(') unexpected("“(”");
        items(out, 1);
    }

  private:
    void parameter(StepValue* out, int depth) {
        if (depth > kStepMaxNesting)
            fail("列表嵌套超过 " + std::to_string(kStepMaxNesting) + " 层");
        skip();
        const std::size_t start = pos_;
        const char c = peek();
        StepValue::Kind kind;
        if (c == '$' || c == '*') {
            ++pos_;
            kind = c == '$' ? StepValue::Kind::unset : StepValue::Kind::derived;
        } else if (c == '#') {
            ++pos_;
            const std::int64_t id = digits_number("实例号");
            if (out) out->number = id;
            kind = StepValue::Kind::reference;
        } else if (c == '\'') {
            scratch_.clear();
            string_value(out ? out->text : scratch_);
            kind = StepValue::Kind::string;
        } else if (c == '"') {
            binary(out);
            kind = StepValue::Kind::binary;
        } else if (c == '.') {
            enumeration(out);
            kind = StepValue::Kind::enumeration;
        } else if (c == '(') {
            items(out ? &out->items : nullptr, depth + 1);
            kind = StepValue::Kind::list;
        } else if (c == '+' || c == '-' || is_digit(c)) {
            kind = number(out);
        } else if (is_letter(c) || c == '!') {
            const std::string_view type = keyword("类型名");
            if (out) out->text = type;
            expect('(');
            parameter(out ? &out->items.emplace_back() : nullptr, depth + 1);
            expect(')');
            kind = StepValue::Kind::typed;
        } else {
            unexpected("属性值");
        }
        if (out) {
            out->kind = kind;
            out->written = text_.substr(start, pos_ - start);
        }
    }

    // The values of a list (or an attribute list) from its '(' up to its ')', each at `depth`.
    void items(std::vector<StepValue>* out, int depth) {
        ++pos_;
        skip();
        if (peek() == ')') {
            ++pos_;
            return;
        }
        for (;;) {
            parameter(out ? &out->emplace_back() : nullptr, depth);
            skip();
            if (peek() == ')') {
                ++pos_;
                return;
            }
            if (peek() != ',') unexpected("“,”或“)”");
            ++pos_;
        }
    }

    // Decimal digits at pos_ read as a number ≥ 0: an instance number.
    std::int64_t digits_number(const char* what) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && is_digit(text_[pos_])) ++pos_;
        if (pos_ == start) unexpected(std::string(what) + "（数字）");
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, value);
        if (ec != std::errc() || end != text_.data() + pos_)
            fail(std::string(what) + quoted(text_.substr(start - 1, pos_ - start + 1)) +
                 "超出范围");
        return value;
    }

    StepValue::Kind number(StepValue* out) {
        const std::size_t start = pos_;
        if (peek() == '+' || peek() == '-') ++pos_;
        const std::size_t digits = pos_;
        while (is_digit(peek())) ++pos_;
        if (pos_ == digits) unexpected("数字");
        bool real = false;
        if (peek() == '.') {
            real = true;
            ++pos_;
            while (is_digit(peek())) ++pos_;
        }
        if (peek() == 'E' || peek() == 'e') {
            real = true;
            ++pos_;
            if (peek() == '+' || peek() == '-') ++pos_;
            const std::size_t exponent = pos_;
            while (is_digit(peek())) ++pos_;
            if (pos_ == exponent) unexpected("指数的数字");
        }
        // from_chars takes no '+'.
        const char* first = text_.data() + start + (text_[start] == '+' ? 1 : 0);
        const char* last = text_.data() + pos_;
        const std::string_view written = text_.substr(start, pos_ - start);
        if (real) {
            double value = 0;
            const auto [end, ec] = std::from_chars(first, last, value);
            if (ec != std::errc() || end != last || !std::isfinite(value))
                fail("实数" + quoted(written) + "超出范围");
            if (out) out->real = value;
            return StepValue::Kind::real;
        }
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last) fail("整数" + quoted(written) + "超出范围");
        if (out) {
            out->number = value;
            out->real = double(value);
        }
        return StepValue::Kind::integer;
    }

    void enumeration(StepValue* out) {
        const std::size_t start = pos_;
        ++pos_;
        if (!is_letter(peek())) {
            pos_ = start;
            unexpected("枚举值（.名称.）");
        }
        while (is_keyword_char(peek())) {
            if (writable_) writable_[pos_] = upper(text_[pos_]);
            ++pos_;
        }
        if (peek() != '.') {
            pos_ = start;
            unexpected("枚举值（.名称.）");
        }
        if (out) out->text = text_.substr(start + 1, pos_ - start - 1);
        ++pos_;
    }

    void binary(StepValue* out) {
        const std::size_t start = pos_;
        ++pos_;
        const std::size_t digits = pos_;
        while (hex_digit(peek()) >= 0) ++pos_;
        if (peek() != '"' || pos_ == digits || text_[digits] > '3') {
            pos_ = start;
            unexpected("二进制值（\"…\"，首位 0～3，其后为十六进制数）");
        }
        if (out) out->text = text_.substr(digits, pos_ - digits);
        ++pos_;
    }

    // A string from its opening apostrophe, decoded into `out`.
    void string_value(std::string& out) {
        const long start_line = line_;
        ++pos_;
        char page = 'A';  // \PA\ … \PI\ choose the ISO 8859 part that \S\ reads in
        for (;;) {
            if (at_end()) fail("字符串没有结束（缺少结尾的“'”）", start_line);
            const char c = text_[pos_];
            if (c == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    out += '\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return;
            }
            if (c == '\n') {
                // The format may break a long string over lines; the break is no part of it.
                ++pos_;
                ++line_;
            } else if (c == '\\') {
                escape(out, page);
            } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                fail("字符串中有控制字符 U+00" + std::string{"0123456789ABCDEF"[c >> 4]} +
                     "0123456789ABCDEF"[c & 15]);
            } else {
                out += c;
                ++pos_;
            }
        }
    }

    bool looking_at(std::string_view s) const { return text_.substr(pos_).starts_with(s); }

    [[noreturn]] void bad_escape(std::size_t start, const std::string& what) {
        std::size_t end = std::min(text_.size(), start + 16);
        const std::size_t stop = text_.find_first_of("'\n", start + 1);
        if (stop != std::string_view::npos && stop < end) end = stop;
        fail("字符串中的" + quoted(text_.substr(start, end - start)) + what);
    }

    // `n` hex digits at pos_, or -1 where fewer are there.
    long hex(int n) {
        if (pos_ + n > text_.size()) return -1;
        long value = 0;
        for (int i = 0; i < n; ++i) {
            const int d = hex_digit(text_[pos_ + i]);
            if (d < 0) return -1;
            value = value * 16 + d;
        }
        pos_ += n;
        return value;
    }

    void put(std::size_t start, std::string& out, char32_t cp) {
        if (cp == 0) bad_escape(start, "是 NUL 字符，字符串中不能有");
        append_utf8(out, cp);
    }

    // The escape that begins with the backslash at pos_.
    void escape(std::string& out, char& page) {
        const std::size_t start = pos_;
        if (looking_at("\\\\")) {
            out += '\\';
            pos_ += 2;
        } else if (looking_at("\\S\\")) {
            pos_ += 3;
            const char c = peek();
            if (c == '\'' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                ++pos_;  // the apostrophe, doubled as everywhere in a string
            } else if (static_cast<unsigned char>(c) < 0x20 ||
                       static_cast<unsigned char>(c) > 0x7E || c == '\'') {
                bad_escape(start, "不完整：“\\S\\”后应为一个 ASCII 字符");
            }
            if (page != 'A')
                bad_escape(start, std::string("用在“\\P") + page +
                                      "\\”之后：只读得出 ISO 8859-1（\\PA\\）的字符");
            put(start, out, char32_t(static_cast<unsigned char>(c)) + 128);
            ++pos_;
        } else if (looking_at("\\P") && pos_ + 3 < text_.size() && text_[pos_ + 3] == '\\' &&
                   text_[pos_ + 2] >= 'A' && text_[pos_ + 2] <= 'Z') {
            page = text_[pos_ + 2];
            if (page > 'I') bad_escape(start, "不是 ISO 8859 的部分（\\PA\\～\\PI\\）");
            pos_ += 4;
        } else if (looking_at("\\X\\")) {
            pos_ += 3;
            const long byte = hex(2);
            if (byte < 0) bad_escape(start, "不完整：“\\X\\”后应为两位十六进制数");
            put(start, out, char32_t(byte));
        } else if (looking_at("\\X2\\") || looking_at("\\X4\\")) {
            const bool utf16 = text_[pos_ + 2] == '2';
            const int width = utf16 ? 4 : 8;
            pos_ += 4;
            const char* form =
                utf16 ? "不完整：“\\X2\\”后应为每 4 位一组的十六进制数，以“\\X0\\”结束"
                      : "不完整：“\\X4\\”后应为每 8 位一组的十六进制数，以“\\X0\\”结束";
            while (!looking_at("\\X0\\")) {
                long unit = hex(width);
                if (unit < 0) bad_escape(start, form);
                if (utf16 && unit >= 0xD800 && unit <= 0xDBFF) {
                    const long low = hex(4);
                    if (low < 0xDC00 || low > 0xDFFF)
                        bad_escape(start, "中的高位代理项后没有低位代理项");
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                } else if (unit >= 0xD800 && unit <= 0xDFFF) {
                    bad_escape(start, utf16 ? "中有落单的低位代理项" : "中有代理项，不是字符");
                } else if (unit > 0x10FFFF) {
                    bad_escape(start, "中有超出 Unicode 的码位");
                }
                put(start, out, char32_t(unit));
            }
            pos_ += 4;
        } else if (looking_at("\\X0\\")) {
            bad_escape(start, "多余：前面没有“\\X2\\”或“\\X4\\”");
        } else if (looking_at("\\N\\")) {
            out += '\n';
            pos_ += 3;
        } else if (looking_at("\\T\\")) {
            out += '\t';
            pos_ += 3;
        } else {
            // No escape: a backslash as written, as in an unescaped Windows path.
            out += '\\';
            ++pos_;
        }
    }

    std::string_view text_;
    char* writable_;
    const std::string& path_;
    std::size_t pos_;
    long line_;
    std::string context_;  // "#12=IFCX 中", before every message about the instance
    std::string scratch_;  // a string decoded during the scan, only to check it
};

// ---------------------------------------------------------------------------------------------
// The file.

StepFile::StepFile(const std::string& path) : path_(path) {
    LineReader file(path);
    read(file);
}

StepFile::StepFile(LineSource& lines) : path_(lines.path()) {
    read(lines);
}

void StepFile::read(LineSource& lines) {
    {
        std::string line;
        bool first = true;
        while (lines.next(line)) {
            if (!first) text_ += '\n';
            first = false;
            text_ += line;
        }
    }
    Parser p(text_, text_.data(), path_, 0, 1);
    if (text_.find_first_not_of(" \t\n") == std::string::npos) p.fail("文件是空的");

    if (p.word() != "ISO-10303-21") {
        p.seek(0, 1);
        p.skip();
        p.unexpected("“ISO-10303-21;”（STEP 文件的开头）");
    }
    p.expect(';');
    if (p.word() != "HEADER") p.unexpected("“HEADER;”");
    p.expect(';');
    for (;;) {
        p.skip();
        const long line = p.line();
        const std::string_view name = p.keyword("HEADER 中的实体（如 FILE_SCHEMA(…);）或“ENDSEC;”");
        if (name == "ENDSEC") break;
        p.set_context("HEADER 中的 " + std::string(name) + " ");
        std::vector<StepValue> values;
        p.attributes(&values);
        p.expect(';');
        p.set_context("");
        header_.push_back(
            std::make_unique<StepInstance>(*this, 0, name, line, std::move(values), true));
    }
    p.expect(';');
    const StepInstance* schema = header("FILE_SCHEMA");
    if (!schema) p.fail("HEADER 中没有 FILE_SCHEMA：不知道文件按哪个模式写成");
    for (const StepField& name : schema->attribute(0, "schema_identifiers").list())
        schemas_.push_back(name.string());
    if (schemas_.empty()) throw schema->error("中没有模式名");

    for (;;) {
        p.skip();
        const std::size_t at = p.pos();
        const std::string_view section = p.word();
        if (section == "END-ISO-10303-21") {
            p.expect(';');
            break;  // what follows (a signature section) is no part of the data
        }
        if (section != "DATA") {
            p.seek(at, p.line());
            p.unexpected("“DATA;”或“END-ISO-10303-21;”");
        }
        p.skip();
        if (p.peek() == '(') p.attributes(nullptr);  // a named data section's parameters
        p.expect(';');
        for (;;) {
            p.skip();
            const long line = p.line();
            if (p.peek() != '#') {
                if (p.at_end())
                    p.fail(
                        "文件在 DATA 段中结束，缺少“ENDSEC;”和“END-ISO-10303-21;”（文件不完整）");
                const std::size_t at = p.pos();
                if (p.word() == "ENDSEC") break;
                p.seek(at, line);
                p.unexpected("实例（#n=实体(…);）或“ENDSEC;”");
            }
            const std::int64_t id = p.instance_number();
            p.set_context("#" + std::to_string(id) + " ");
            p.expect('=');
            p.skip();
            if (p.peek() == '(') p.fail("是复合实例（#n=(A(…)B(…))，由几个实体合成），读不了");
            const std::string_view entity = p.keyword("实体名");
            p.set_context("#" + std::to_string(id) + "=" + std::string(entity) + " 中");
            p.skip();
            const std::size_t body = p.pos();
            p.attributes(nullptr);
            p.expect(';');
            p.set_context("");
            entries_.push_back({id, entity, body, line});
        }
        p.expect(';');
    }

    by_id_.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) by_id_[i] = std::uint32_t(i);
    std::stable_sort(by_id_.begin(), by_id_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return entries_[a].id < entries_[b].id;
    });
    for (std::size_t i = 1; i < by_id_.size(); ++i) {
        const Entry& first = entries_[by_id_[i - 1]];
        const Entry& again = entries_[by_id_[i]];
        if (first.id == again.id)
            throw DataError("#" + std::to_string(again.id) + " 重复：第 " +
                                std::to_string(first.line) + " 行已有 #" + std::to_string(first.id),
                            path_, again.line);
    }
    built_.resize(entries_.size());
}

StepFile::~StepFile() = default;

const StepInstance* StepFile::header(std::string_view entity) const {
    for (const auto& h : header_)
        if (h->entity() == entity) return h.get();
    return nullptr;
}

const StepInstance& StepFile::built(std::size_t index) const {
    if (!built_[index]) {
        const Entry& e = entries_[index];
        Parser p(text_, nullptr, path_, e.body, e.line);
        std::vector<StepValue> values;
        p.attributes(&values);
        built_[index] =
            std::make_unique<StepInstance>(*this, e.id, e.entity, e.line, std::move(values));
    }
    return *built_[index];
}

const StepInstance& StepFile::at(std::size_t index) const {
    return built(index);
}

const StepInstance* StepFile::find(std::int64_t id) const {
    const auto at =
        std::lower_bound(by_id_.begin(), by_id_.end(), id,
                         [&](std::uint32_t i, std::int64_t v) { return entries_[i].id < v; });
    if (at == by_id_.end() || entries_[*at].id != id) return nullptr;
    return &built(*at);
}

const StepInstance& StepFile::instance(std::int64_t id) const {
    const StepInstance* found = find(id);
    if (!found) throw DataError("文件中没有 #" + std::to_string(id), path_);
    return *found;
}

std::vector<const StepInstance*> StepFile::instances_of(std::string_view entity) const {
    std::vector<const StepInstance*> found;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].entity == entity) found.push_back(&built(i));
    return found;
}

// ---------------------------------------------------------------------------------------------
// Instances and fields.

StepInstance::StepInstance(const StepFile& file, std::int64_t id, std::string_view entity,
                           long line, std::vector<StepValue> attributes, bool in_header)
    : file_(&file),
      id_(id),
      entity_(entity),
      line_(line),
      attributes_(std::move(attributes)),
      in_header_(in_header) {}

std::string StepInstance::description() const {
    if (in_header_) return "HEADER 中的 " + std::string(entity_);
    return "#" + std::to_string(id_) + "=" + std::string(entity_);
}

DataError StepInstance::error(const std::string& what) const {
    return DataError(joined(description(), what), file_->path(), line_);
}

StepField StepInstance::attribute(std::size_t index, std::string_view name) const {
    std::string description =
        this->description() + " 的第 " + std::to_string(index + 1) + " 个属性 " + std::string(name);
    if (index >= attributes_.size())
        throw error("只有 " + std::to_string(attributes_.size()) + " 个属性，没有第 " +
                    std::to_string(index + 1) + " 个属性 " + std::string(name));
    return StepField(*this, attributes_[index], std::move(description));
}

DataError StepField::error(const std::string& what) const {
    return DataError(joined(description_, what), owner_->file().path(), owner_->line());
}

DataError StepField::expected(const std::string& expected) const {
    std::string found = quoted(value_->written);
    if (is_unset()) found += "（未给出）";
    return error("应为" + expected + "，文件中是" + found);
}

const StepValue& StepField::of_kind(StepValue::Kind kind) const {
    if (value_->kind != kind) throw expected(step_kind_name(kind));
    return *value_;
}

double StepField::real() const {
    if (value_->kind == StepValue::Kind::integer) return value_->real;
    return of_kind(StepValue::Kind::real).real;
}

std::optional<double> StepField::optional_real() const {
    if (is_unset()) return std::nullopt;
    return real();
}

std::int64_t StepField::integer() const {
    return of_kind(StepValue::Kind::integer).number;
}

const std::string& StepField::string() const {
    return of_kind(StepValue::Kind::string).text;
}

std::optional<std::string> StepField::optional_string() const {
    if (is_unset()) return std::nullopt;
    return string();
}

const std::string& StepField::enumeration() const {
    return of_kind(StepValue::Kind::enumeration).text;
}

bool StepField::boolean() const {
    if (value_->kind == StepValue::Kind::enumeration &&
        (value_->text == "T" || value_->text == "F"))
        return value_->text == "T";
    throw expected("布尔值（.T. 或 .F.）");
}

std::int64_t StepField::reference() const {
    return of_kind(StepValue::Kind::reference).number;
}

std::vector<StepField> StepField::list() const {
    const StepValue& v = of_kind(StepValue::Kind::list);
    std::vector<StepField> items;
    items.reserve(v.items.size());
    for (std::size_t i = 0; i < v.items.size(); ++i)
        items.push_back(StepField(*owner_, v.items[i],
                                  description_ + " 的第 " + std::to_string(i + 1) + " 项"));
    return items;
}

const std::string& StepField::type_name() const {
    return of_kind(StepValue::Kind::typed).text;
}

StepField StepField::typed(std::string_view type) const {
    if (value_->kind != StepValue::Kind::typed || value_->text != type)
        throw expected(" " + std::string(type) + "(…)");
    return StepField(*owner_, value_->items.front(),
                     description_ + " 中 " + std::string(type) + " 的值");
}

const StepInstance& StepField::instance() const {
    const std::int64_t id = reference();
    const StepInstance* target = owner_->file().find(id);
    if (!target) throw error("引用 #" + std::to_string(id) + "，文件中没有 #" + std::to_string(id));
    return *target;
}

const StepInstance& StepField::instance(std::string_view entity) const {
    const StepInstance& target = instance();
    if (target.entity() != entity)
        throw error("引用的 #" + std::to_string(target.id()) + " 是 " +
                    std::string(target.entity()) + "，应为 " + std::string(entity));
    return target;
}

}  // namespace qelt
