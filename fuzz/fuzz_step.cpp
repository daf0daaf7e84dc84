// The STEP reader on arbitrary file contents: a file is either refused with DataError when it is
// opened or every one of its instances builds (the scan has checked them all); every typed access
// gives the value of its kind and refuses every other kind with DataError; strings are valid
// UTF-8; and the instances written back as STEP, strings escaped anew, read back to the same
// values.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/data_error.h"
#include "base/text.h"
#include "fuzz_files.h"
#include "input/ifc/step.h"

namespace {

using namespace qelt;
using Kind = StepValue::Kind;

template <class Access>
bool refused(Access access) {
    try {
        access();
        return false;
    } catch (const DataError&) {
        return true;
    }
}

void check_field(const StepFile& file, const StepField& f) {
    const Kind k = f.kind();
    QELT_FUZZ_CHECK(!f.value().written.empty());
    QELT_FUZZ_CHECK(refused([&] { f.real(); }) == (k != Kind::real && k != Kind::integer));
    QELT_FUZZ_CHECK(refused([&] { f.integer(); }) == (k != Kind::integer));
    QELT_FUZZ_CHECK(refused([&] { f.string(); }) == (k != Kind::string));
    QELT_FUZZ_CHECK(refused([&] { f.enumeration(); }) == (k != Kind::enumeration));
    QELT_FUZZ_CHECK(refused([&] { f.reference(); }) == (k != Kind::reference));
    QELT_FUZZ_CHECK(refused([&] { f.list(); }) == (k != Kind::list));
    QELT_FUZZ_CHECK(refused([&] { f.type_name(); }) == (k != Kind::typed));
    if (k == Kind::real) QELT_FUZZ_CHECK(std::isfinite(f.real()));
    if (k == Kind::string) QELT_FUZZ_CHECK(is_valid_utf8(f.string()));
    if (k == Kind::reference) {
        const StepInstance* target = file.find(f.reference());
        if (target)
            QELT_FUZZ_CHECK(&f.instance() == target);
        else
            QELT_FUZZ_CHECK(refused([&] { f.instance(); }));
    }
    if (k == Kind::list)
        for (const StepField& item : f.list()) check_field(file, item);
    if (k == Kind::typed) check_field(file, f.typed(f.type_name()));
}

// A value as STEP, every character outside printable ASCII as \X4\…\X0\.
void write_value(std::string& out, const StepValue& v) {
    switch (v.kind) {
        case Kind::unset:
            out += '$';
            return;
        case Kind::derived:
            out += '*';
            return;
        case Kind::integer:
            out += std::to_string(v.number);
            return;
        case Kind::real: {
            char text[40];
            const auto end = std::to_chars(text, text + sizeof text, v.real).ptr;
            const std::string number(text, end);
            out += number;
            if (number.find_first_of(".e") == std::string::npos) out += '.';
            return;
        }
        case Kind::string: {
            out += '\'';
            for (std::size_t i = 0; i < v.text.size();) {
                const auto cp = next_utf8(v.text, i);
                QELT_FUZZ_CHECK(cp.has_value());
                if (*cp == '\'') {
                    out += "''";
                } else if (*cp == '\\') {
                    out += "\\\\";
                } else if (*cp >= 0x20 && *cp < 0x7F) {
                    out += char(*cp);
                } else {
                    char hex[9];
                    std::snprintf(hex, sizeof hex, "%08X", unsigned(*cp));
                    out += std::string("\\X4\\") + hex + "\\X0\\";
                }
            }
            out += '\'';
            return;
        }
        case Kind::enumeration:
            out += '.' + v.text + '.';
            return;
        case Kind::binary:
            out += '"' + v.text + '"';
            return;
        case Kind::reference:
            out += '#' + std::to_string(v.number);
            return;
        case Kind::list:
        case Kind::typed:
            if (v.kind == Kind::typed) out += v.text;
            out += '(';
            for (std::size_t i = 0; i < v.items.size(); ++i) {
                if (i) out += ',';
                write_value(out, v.items[i]);
            }
            out += ')';
            return;
    }
}

bool same(const StepValue& a, const StepValue& b) {
    if (a.kind != b.kind || a.number != b.number || a.text != b.text ||
        a.items.size() != b.items.size())
        return false;
    if (a.kind == Kind::real && (a.real != b.real || std::signbit(a.real) != std::signbit(b.real)))
        return false;
    for (std::size_t i = 0; i < a.items.size(); ++i)
        if (!same(a.items[i], b.items[i])) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& folder = fuzz::scratch();
    const std::string path = folder.write("model.ifc", {reinterpret_cast<const char*>(data), size});
    std::unique_ptr<StepFile> file;
    try {
        file = std::make_unique<StepFile>(path);
    } catch (const DataError&) {
        return 0;
    }
    QELT_FUZZ_CHECK(!file->schemas().empty());

    std::string copy = "ISO-10303-21;\nHEADER;\nFILE_SCHEMA((";
    for (std::size_t i = 0; i < file->schemas().size(); ++i) {
        StepValue schema;
        schema.kind = Kind::string;
        schema.text = file->schemas()[i];
        if (i) copy += ',';
        write_value(copy, schema);
    }
    copy += "));\nENDSEC;\nDATA;\n";
    for (std::size_t i = 0; i < file->size(); ++i) {
        // Built from text the scan accepted, an instance cannot be refused.
        const StepInstance* instance = nullptr;
        QELT_FUZZ_CHECK(!refused([&] { instance = &file->at(i); }));
        QELT_FUZZ_CHECK(file->find(instance->id()) == instance);
        for (std::size_t a = 0; a < instance->size(); ++a)
            check_field(*file, instance->attribute(a, "x"));
        QELT_FUZZ_CHECK(refused([&] { instance->attribute(instance->size(), "x"); }));
        copy += '#' + std::to_string(instance->id()) + '=' + std::string(instance->entity()) + '(';
        for (std::size_t a = 0; a < instance->size(); ++a) {
            if (a) copy += ',';
            write_value(copy, instance->attributes()[a]);
        }
        copy += ");\n";
    }
    copy += "ENDSEC;\nEND-ISO-10303-21;\n";

    const StepFile back(folder.write("copy.ifc", copy));
    QELT_FUZZ_CHECK(back.schemas() == file->schemas());
    QELT_FUZZ_CHECK(back.size() == file->size());
    for (std::size_t i = 0; i < file->size(); ++i) {
        const StepInstance& a = file->at(i);
        const StepInstance& b = back.at(i);
        QELT_FUZZ_CHECK(a.id() == b.id() && a.entity() == b.entity() && a.size() == b.size());
        for (std::size_t k = 0; k < a.size(); ++k)
            QELT_FUZZ_CHECK(same(a.attributes()[k], b.attributes()[k]));
    }
    return 0;
}
