// The STEP reader: every kind of value and every string escape read from files written here, the
// lookups the IFC reader builds on, and every refusal with its line and its words.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "input/ifc/step.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// A file of the shape IFC exporters write, its DATA section from line 8.
std::string step_file(const std::string& data) {
    return "ISO-10303-21;\n"
           "HEADER;\n"
           "FILE_DESCRIPTION(('ViewDefinition [Alignment-basedView]'),'2;1');\n"
           "FILE_NAME('road.ifc','2026-03-01T09:00:00',('\\X2\\5F204E09\\X0\\'),(''),'','','');\n"
           "FILE_SCHEMA(('IFC4X3_ADD2'));\n"
           "ENDSEC;\n"
           "DATA;\n" +
           data +
           "\nENDSEC;\n"
           "END-ISO-10303-21;\n";
}

// A value written out in a form of this test's own: the kind by a letter, lists and typed values
// by their brackets. Reads what the tree holds, independently of how the file wrote it.
std::string shape(const StepValue& v) {
    char number[32];
    std::string items;
    for (const StepValue& item : v.items) items += (items.empty() ? "" : ",") + shape(item);
    switch (v.kind) {
        case StepValue::Kind::unset:
            return "$";
        case StepValue::Kind::derived:
            return "*";
        case StepValue::Kind::integer:
            return "i" + std::to_string(v.number);
        case StepValue::Kind::real:
            std::snprintf(number, sizeof number, "r%.15g", v.real);
            return number;
        case StepValue::Kind::string:
            return "s:" + v.text;
        case StepValue::Kind::enumeration:
            return "e:" + v.text;
        case StepValue::Kind::binary:
            return "b:" + v.text;
        case StepValue::Kind::reference:
            return "#" + std::to_string(v.number);
        case StepValue::Kind::list:
            return "(" + items + ")";
        case StepValue::Kind::typed:
            return v.text + "[" + items + "]";
    }
    return "?";
}

TEST(Step, ReadsEveryKindOfValue) {
    struct Case {
        const char* written;
        const char* shape;
        const char* kept = nullptr;  // the text kept as written, where keywords were lower case
    };
    const Case cases[] = {
        {"$", "$"},
        {"*", "*"},
        {"42", "i42"},
        {"-7", "i-7"},
        {"+3", "i3"},
        {"1.", "r1"},
        {"-9.99E-3", "r-0.00999"},
        {"1.E5", "r100000"},
        {"2.5e+2", "r250"},
        {"1E-3", "r0.001"},
        {"0.", "r0"},
        {"'abc'", "s:abc"},
        {"''", "s:"},
        {".CLOTHOID.", "e:CLOTHOID"},
        {".t.", "e:T", ".T."},
        {"#12", "#12"},
        {"\"0FF\"", "b:0FF"},
        {"()", "()"},
        {"(1,(2.,'x',()),$,#4)", "(i1,(r2,s:x,()),$,#4)"},
        {"IFCLENGTHMEASURE(1.5)", "IFCLENGTHMEASURE[r1.5]"},
        {"ifcBoolean(.f.)", "IFCBOOLEAN[e:F]", "IFCBOOLEAN(.F.)"},
        {"IFCCOMPLEXNUMBER((1.,-2.))", "IFCCOMPLEXNUMBER[(r1,r-2)]"},
        {"( 1 /* (,) */ ,\n\t2 )", "(i1,i2)"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path =
            dir.write("v.ifc", step_file("#1=IFCX(" + std::string(c.written) + ");"));
        const StepFile file(path);
        ASSERT_EQ(file.instance(1).size(), 1u) << c.written;
        const StepValue& v = file.instance(1).attributes()[0];
        EXPECT_EQ(shape(v), c.shape) << c.written;
        EXPECT_EQ(v.written, c.kept ? c.kept : c.written);
    }
}

TEST(Step, DecodesEveryStringEscapeToUtf8) {
    struct Case {
        const char* written;  // between the apostrophes
        const char* text;
    };
    const Case cases[] = {
        {"it''s", "it's"},
        {"a\\\\b", "a\\b"},
        {"\\X\\E9t\\X\\E9", "été"},
        {"\\S\\i", "é"},         // 'i' + 128
        {"\\PA\\\\S\\''", "§"},  // the apostrophe + 128, doubled as in any string
        {"\\X2\\00E9\\X0\\", "é"},
        {"\\X2\\531D73AF7EBF\\X0\\K1", "匝环线K1"},
        {"\\X2\\D83DDE80\\X0\\", "🚀"},  // a surrogate pair
        {"\\X2\\\\X0\\", ""},
        {"\\X4\\0001F680000000E9\\X0\\", "🚀é"},
        {"a\\N\\b\\T\\c", "a\nb\tc"},
        {"C:\\Users\\road.ifc", "C:\\Users\\road.ifc"},  // a backslash that begins no escape
        {"主线\nK0", "主线K0"},  // a line end inside a string is no part of it
        {"/* kept */ #1 $", "/* kept */ #1 $"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path =
            dir.write("s.ifc", step_file("#1=IFCX('" + std::string(c.written) + "');"));
        EXPECT_EQ(StepFile(path).instance(1).attribute(0, "Name").string(), c.text) << c.written;
    }
}

TEST(Step, TakesAFileWithAByteOrderMarkAndCrLf) {
    std::string text = "\xEF\xBB\xBF" + step_file("#1=IFCX('\xE5\x8C\x9D');");
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, "\r");
    TempDir dir;
    const StepFile file(dir.write("bom.ifc", text));
    EXPECT_EQ(file.instance(1).attribute(0, "Name").string(), "匝");
    EXPECT_EQ(file.instance(1).line(), 8);
}

TEST(Step, LooksUpInstancesAndFollowsReferences) {
    // Numbered out of order, one spanning three lines, one referring forward, comments
    // between every two tokens, entity names in lower case.
    const std::string data =
        "#7=IFCALIGNMENT('A',#3);\n"
        "#3 /* c */ = /* c */ ifcRelNests /* c */ (\n"
        "  $, (#5,\n"
        "  #7)) /* c */ ;\n"
        "#5=IFCALIGNMENT('B',$);";
    TempDir dir;
    const StepFile file(dir.write("a.ifc", step_file(data)));
    EXPECT_EQ(file.schemas(), std::vector<std::string>{"IFC4X3_ADD2"});
    EXPECT_EQ(file.header("FILE_NAME")->attribute(2, "author").list()[0].string(), "张三");
    EXPECT_EQ(file.header("FILE_POPULATION"), nullptr);
    ASSERT_EQ(file.size(), 3u);

    std::vector<std::int64_t> ids;
    for (const StepInstance* a : file.instances_of("IFCALIGNMENT")) ids.push_back(a->id());
    EXPECT_EQ(ids, (std::vector<std::int64_t>{7, 5}));

    const StepInstance& nests = file.instance(7).attribute(1, "Nests").instance("IFCRELNESTS");
    EXPECT_EQ(nests.id(), 3);
    EXPECT_EQ(nests.line(), 9);
    const std::vector<StepField> related = nests.attribute(1, "RelatedObjects").list();
    ASSERT_EQ(related.size(), 2u);
    EXPECT_EQ(related[0].instance().attribute(0, "Name").string(), "B");
    EXPECT_EQ(related[0].instance().line(), 12);
    EXPECT_FALSE(related[0].instance().attribute(1, "Nests").optional_real());
    EXPECT_EQ(file.at(1).id(), 3);
    EXPECT_EQ(file.find(4), nullptr);
}

TEST(Step, TakesNamedAndSeveralDataSectionsAndIgnoresWhatFollowsTheEnd) {
    const std::string text =
        "ISO-10303-21;\nHEADER;FILE_SCHEMA(('IFC4X3','X'));ENDSEC;\n"
        "DATA(('one'));#1=IFCA();ENDSEC;\n"
        "DATA;#2=IFCB(#1);ENDSEC;\n"
        "END-ISO-10303-21;\nSIGNATURE;whatever;ENDSEC;";
    TempDir dir;
    const StepFile file(dir.write("d.ifc", text));
    EXPECT_EQ(file.schemas(), (std::vector<std::string>{"IFC4X3", "X"}));
    EXPECT_EQ(file.instance(2).attribute(0, "A").instance("IFCA").line(), 3);
}

// The typed access an IFC reader makes, each finding something else: the message names the
// instance, the attribute and what was found, at the instance's first line.
TEST(Step, TypedAccessSaysWhatWasExpectedAndWhatWasFound) {
    const std::string data =
        "#1=IFCX(1.5,'s',.E.,#2,(1,'2'),\n$,IFCLENGTHMEASURE(2.),#99);\n"
        "#2=IFCY();";
    TempDir dir;
    const StepFile file(dir.write("t.ifc", step_file(data)));
    const StepInstance& x = file.instance(1);
    struct Case {
        std::function<void()> access;
        const char* says;
    };
    const Case cases[] = {
        {[&] { x.attribute(1, "Name").real(); },
         "#1=IFCX 的第 2 个属性 Name 应为实数，文件中是“'s'”"},
        {[&] { x.attribute(5, "Radius").real(); },
         "#1=IFCX 的第 6 个属性 Radius 应为实数，文件中是“$”（未给出）"},
        {[&] { x.attribute(0, "Count").integer(); },
         "#1=IFCX 的第 1 个属性 Count 应为整数，文件中是“1.5”"},
        {[&] { x.attribute(0, "Name").optional_string(); },
         "#1=IFCX 的第 1 个属性 Name 应为字符串（'…'），文件中是“1.5”"},
        {[&] { x.attribute(1, "Type").enumeration(); },
         "#1=IFCX 的第 2 个属性 Type 应为枚举值（.名称.），文件中是“'s'”"},
        {[&] { x.attribute(2, "Closed").boolean(); },
         "#1=IFCX 的第 3 个属性 Closed 应为布尔值（.T. 或 .F.），文件中是“.E.”"},
        {[&] { x.attribute(4, "Points").list()[1].real(); },
         "#1=IFCX 的第 5 个属性 Points 的第 2 项应为实数，文件中是“'2'”"},
        {[&] { x.attribute(1, "Points").list(); },
         "#1=IFCX 的第 2 个属性 Points 应为列表（(…)），文件中是“'s'”"},
        {[&] { x.attribute(6, "Value").typed("IFCPLANEANGLEMEASURE"); },
         "#1=IFCX 的第 7 个属性 Value 应为 "
         "IFCPLANEANGLEMEASURE(…)，文件中是“IFCLENGTHMEASURE(2.)”"},
        {[&] { x.attribute(6, "Value").typed("IFCLENGTHMEASURE").integer(); },
         "#1=IFCX 的第 7 个属性 Value 中 IFCLENGTHMEASURE 的值应为整数，文件中是“2.”"},
        {[&] { x.attribute(0, "Value").type_name(); },
         "#1=IFCX 的第 1 个属性 Value 应为带类型的值（如 IFCLENGTHMEASURE(1.5)），文件中是“1.5”"},
        {[&] { x.attribute(0, "Point").instance(); },
         "#1=IFCX 的第 1 个属性 Point 应为实例引用（#n），文件中是“1.5”"},
        {[&] { x.attribute(3, "Point").instance("IFCCARTESIANPOINT"); },
         "#1=IFCX 的第 4 个属性 Point 引用的 #2 是 IFCY，应为 IFCCARTESIANPOINT"},
        {[&] { x.attribute(7, "Point").instance(); },
         "#1=IFCX 的第 8 个属性 Point 引用 #99，文件中没有 #99"},
        {[&] { x.attribute(8, "Extra"); }, "#1=IFCX 只有 8 个属性，没有第 9 个属性 Extra"},
        {[&] { file.header("FILE_NAME")->attribute(0, "name").real(); },
         "HEADER 中的 FILE_NAME 的第 1 个属性 name 应为实数，文件中是“'road.ifc'”"},
    };
    for (const Case& c : cases) {
        try {
            c.access();
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const DataError& e) {
            EXPECT_EQ(std::string(e.what()), c.says);
            EXPECT_EQ(e.file(), dir.path("t.ifc"));
            EXPECT_EQ(e.line(), c.says[0] == 'H' ? 4 : 8) << c.says;
        }
    }
    EXPECT_THROW(file.instance(4), DataError);
}

TEST(Step, RefusesMalformedFilesNamingTheLineAndWhatWasFound) {
    const std::string head = step_file("");
    const std::string no_end = head.substr(0, head.find("ENDSEC;\nEND"));
    struct Case {
        std::string text;
        long line;
        const char* says;
    };
    const auto data = [](const std::string& d) { return step_file(d); };
    // clang-format off
    const Case cases[] = {
        {"", 1, "文件是空的"},
        {"HEADER;\nENDSEC;", 1, "应为“ISO-10303-21;”（STEP 文件的开头），文件中是“HEADER;”"},
        {"ISO-10303-21;\nHEADER;\nENDSEC;\nEND-ISO-10303-21;", 3, "HEADER 中没有 FILE_SCHEMA"},
        {"ISO-10303-21;\nHEADER;\nFILE_SCHEMA(());\nENDSEC;\n", 3, "FILE_SCHEMA 中没有模式名"},
        {"ISO-10303-21;\nHEADER;\nFILE_SCHEMA('IFC4X3');\nENDSEC;\n", 3,
         "HEADER 中的 FILE_SCHEMA 的第 1 个属性 schema_identifiers 应为列表（(…)），文件中是“'IFC4X3'”"},
        {"ISO-10303-21;\nHEADER;\nFILE_SCHEMA(('A'))\nENDSEC;\n", 4, "应为“;”，文件中是“ENDSEC;”"},
        {head.substr(0, head.rfind("END-ISO")), 9, "应为“DATA;”或“END-ISO-10303-21;”，文件却已结束"},
        {no_end + "#1=IFCX();\n", 9, "文件在 DATA 段中结束"},
        {no_end + "#1=IFCX('a',\n", 9, "#1=IFCX 中应为属性值，文件却已结束（文件可能不完整）"},
        {data("#1=IFCA();\n#1=IFCB();"), 9, "#1 重复：第 8 行已有 #1"},
        {data("#5=(IFCA()IFCB());"), 8, "#5 是复合实例"},
        {data("#5=IFCX('abc);\n#6=IFCY();"), 8, "#5=IFCX 中字符串没有结束（缺少结尾的“'”）"},
        {data("/* open\n#1=IFCX();"), 8, "注释“/*”没有结束"},
        {data("#5=IFCX(1.5.3);"), 8, "#5=IFCX 中应为“,”或“)”，文件中是“.3);”"},
        {data("#5=IFCX(1,,2);"), 8, "应为属性值，文件中是“,2);”"},
        {data("#5=IFCX(.ABC);"), 8, "应为枚举值（.名称.），文件中是“.ABC);”"},
        {data("#5=IFCX(#);"), 8, "应为实例号（数字），文件中是“);”"},
        {data("#5=IFCX(-);"), 8, "应为数字"},
        {data("#5=IFCX(1.E);"), 8, "应为指数的数字"},
        {data("#5=IFCX(99999999999999999999);"), 8, "整数“99999999999999999999”超出范围"},
        {data("#5=IFCX(1.E999);"), 8, "实数“1.E999”超出范围"},
        {data("#99999999999999999999=IFCX();"), 8, "实例号“#99999999999999999999”超出范围"},
        {data("#5=IFCX(\"4F\");"), 8, "二进制值"},
        {data("#5=IFCX(1)\n#6=IFCY();"), 9, "#5=IFCX 中应为“;”，文件中是“#6=IFCY();”"},
        {data("#5 IFCX();"), 8, "#5 应为“=”"},
        {data("#5=1X();"), 8, "#5 应为实体名"},
        {data("@1=IFCX();"), 8, "应为实例（#n=实体(…);）或“ENDSEC;”，文件中是“@1=IFCX();”"},
        {data("#5=IFCX(IFCLENGTHMEASURE(1.,2.));"), 8, "应为“)”，文件中是“,2.));”"},
        {data("#5=IFCX(" + std::string(70, '(') + std::string(70, ')') + ");"), 8, "嵌套超过 64 层"},
        {data("#5=IFCX(1,\n2,\n'\\X2\\00E\\X0\\');"), 10,
         "字符串中的“\\X2\\00E\\X0\\”不完整：“\\X2\\”后应为每 4 位一组的十六进制数，以“\\X0\\”结束"},
        {data("#5=IFCX('\\X2\\D83D\\X0\\');"), 8, "中的高位代理项后没有低位代理项"},
        {data("#5=IFCX('\\X2\\DE00\\X0\\');"), 8, "中有落单的低位代理项"},
        {data("#5=IFCX('\\X4\\0000DE00\\X0\\');"), 8, "中有代理项"},
        {data("#5=IFCX('\\X4\\00110000\\X0\\');"), 8, "中有超出 Unicode 的码位"},
        {data("#5=IFCX('\\X4\\1F680\\X0\\');"), 8, "每 8 位一组"},
        {data("#5=IFCX('\\X\\G1');"), 8, "“\\X\\”后应为两位十六进制数"},
        {data("#5=IFCX('\\X\\00');"), 8, "是 NUL 字符"},
        {data("#5=IFCX('a\\X0\\');"), 8, "多余"},
        {data("#5=IFCX('\\S\\');"), 8, "“\\S\\”后应为一个 ASCII 字符"},
        {data("#5=IFCX('\\PB\\\\S\\i');"), 8, "用在“\\PB\\”之后：只读得出 ISO 8859-1"},
        {data("#5=IFCX('\\PJ\\');"), 8, "不是 ISO 8859 的部分"},
        {data("#5=IFCX('a\x01');"), 8, "控制字符 U+0001"},
    };
    // clang-format on
    TempDir dir;
    for (const Case& c : cases) {
        try {
            StepFile file(dir.write("bad.ifc", c.text));
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_EQ(e.file(), dir.path("bad.ifc"));
        }
    }
}

}  // namespace
}  // namespace qelt
