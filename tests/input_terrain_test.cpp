// The ground's sources: LandXML TIN surfaces (invisible faces, boundaries, units, the choice by
// name) and the crew's ground shots triangulated; every refusal with its file and line.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "base/data_error.h"
#include "input/survey/terrain_readers.h"
#include "test_files.h"

namespace qelt {
namespace {

using testing::TempDir;

// A LandXML file with the given surfaces (each the text inside <Surfaces>), lines numbered as
// written: line 1 the declaration, 2 <LandXML>, 3 <Units>, 4 <Surfaces>, the surfaces from 5.
std::string landxml(const std::string& surfaces,
                    const std::string& unit = "<Metric linearUnit=\"meter\"/>") {
    return "<?xml version=\"1.0\"?>\n<LandXML "
           "xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">\n"
           "<Units>" +
           unit + "</Units>\n<Surfaces>\n" + surfaces + "</Surfaces>\n</LandXML>\n";
}

// The square 0..100 m of surface_test's folded ground: four corners, two visible faces, a third
// face beyond the east edge marked invisible; `source` a SourceData element or nothing.
const char* const kSquarePoints =
    "<P id=\"1\">0 0 100</P>\n<P id=\"2\">100 0 110</P>\n<P id=\"3\">100 100 115</P>\n<P "
    "id=\"4\">0 100 100</P>\n<P id=\"5\">200 50 120</P>\n";

// `text` with the first `from` replaced by `to`.
std::string with(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::string square(const std::string& name, const std::string& source = "",
                   const std::string& faces = "<F>1 2 3</F>\n<F>1 3 4</F>\n<F i=\"1\">2 5 3</F>\n",
                   const std::string& points = kSquarePoints) {
    return "<Surface name=\"" + name + "\">\n" + source +
           "<Definition surfType=\"TIN\">\n<Pnts>\n" + points + "</Pnts>\n<Faces>\n" + faces +
           "</Faces>\n</Definition>\n</Surface>\n";
}

Terrain read(const std::string& name, const std::string& text,
             const std::optional<std::string>& surface = std::nullopt) {
    TempDir dir;
    Documents documents;
    return read_terrain(documents, dir.write(name, text), surface);
}

TEST(TerrainSources, LandXmlSurfaceHeights) {
    const std::string bounded =
        "<SourceData><Boundaries>\n<Boundary bndType=\"void\" name=\"池塘\"><PntList2D>20 20 40 "
        "20 40 40 20 40</PntList2D></Boundary>\n</Boundaries></SourceData>\n";
    struct Case {
        const char* what;
        std::string file;
        double x, y;
        std::optional<double> z;
    };
    const Case cases[] = {
        {"a visible face", landxml(square("EG")), 80, 20, 109},
        {"an invisible face is no ground", landxml(square("EG")), 120, 50, std::nullopt},
        {"in a void", landxml(square("EG", bounded)), 30, 30, std::nullopt},
        {"beside the void", landxml(square("EG", bounded)), 60, 60, 109},
        // US survey feet: every number, heights too, times 1200/3937.
        {"feet converted", landxml(square("EG"), "<Imperial linearUnit=\"USSurveyFoot\"/>"),
         100 * 1200.0 / 3937, 0, 110 * 1200.0 / 3937},
    };
    for (const Case& c : cases) {
        const Terrain ground = read("ground.xml", c.file);
        EXPECT_EQ(ground.source(), "ground.xml");
        const std::optional<double> z = ground.elevation({c.x, c.y});
        ASSERT_EQ(z.has_value(), c.z.has_value()) << c.what;
        if (z) {
            EXPECT_NEAR(*z, *c.z, 1e-9) << c.what;
        }
    }
    // Of several, the one named.
    const Terrain chosen = read(
        "ground.xml", landxml(square("原地面") + square("设计面", "", "<F>1 2 3</F>\n")), "设计面");
    EXPECT_EQ(chosen.face_count(), 1u);
}

// A design model's lists of points and faces are read from the text where written plainly and by
// the XML parser otherwise: written any way XML allows, they give the same surface.
TEST(TerrainSources, LandXmlListsHoweverWritten) {
    struct Case {
        const char* what;
        std::string points, faces;
        double z5;  // the elevation of the fifth point
    };
    const std::string faces = "<F>1 2 3</F>\n<F>1 3 4</F>\n<F i=\"1\">2 5 3</F>\n";
    const Case cases[] = {
        {"numbers over several lines, tabs, a negative number wrapped",
         "<P id=\"1\">0 0 100</P><P id=\"2\">\n\t100\n0   110 </P>\n<P id=\"3\">100 100 115</P>\n"
         "<P id=\"4\">0\t100 100</P>\n<P id=\"5\">200 50\n-120</P>\n",
         faces, -120},
        {"prefixed names, either quote, other attributes, blanks in end tags",
         "<lx:P code=\"a>b\" id='1'>0 0 100</lx:P >\n<lx:P id=\"2\" id=\"9\">100 0 110</lx:P>\n"
         "<lx:P\nid=\"3\">100 100 115</lx:P>\n<lx:P id=\"4\">0 100 100</lx:P>\n"
         "<lx:P id=\"5\">200 50 120</lx:P>\n",
         "<F i='0' n=\"x\">1 2 3</F >\n<F>1 3 4</F><F i='1'>2 5 3</F>\n", 120},
        {"a comment and an entity: the XML parser's lists",
         "<!-- 原地面 -->\n" + with(kSquarePoints, "100 0 110", "100&#32;0 110"),
         "<F>1 2 3</F>\n<!-- 1 3 4 -->\n<F>1 3 4</F>\n<F i=\"1\">2 5 3</F>\n", 120},
        {"ids as text: 1 and 01 are two points",
         "<P id=\"1\">0 0 100</P>\n<P id=\"01\">100 0 110</P>\n<P id=\"P3\">100 100 115</P>\n"
         "<P id=\"900000000\">0 100 100</P>\n<P id=\"5\">200 50 120</P>\n",
         "<F>1 01 P3</F>\n<F>1 P3 900000000</F>\n<F i=\"1\">01 5 P3</F>\n", 120},
    };
    for (const Case& c : cases) {
        const Terrain ground = read("ground.xml", landxml(square("EG", "", c.faces, c.points)));
        const std::vector<TerrainPoint> expected = {
            {0, 0, 100}, {100, 0, 110}, {100, 100, 115}, {0, 100, 100}, {200, 50, c.z5}};
        ASSERT_EQ(ground.point_count(), expected.size()) << c.what;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(ground.points()[i].x, expected[i].x) << c.what << " point " << i;
            EXPECT_EQ(ground.points()[i].y, expected[i].y) << c.what << " point " << i;
            EXPECT_EQ(ground.points()[i].z, expected[i].z) << c.what << " point " << i;
        }
        EXPECT_EQ(ground.faces(), (std::vector<TerrainFace>{{0, 1, 2}, {0, 2, 3}})) << c.what;
    }
}

// The XML parser as the oracle of the lists read from the text: files damaged at random inside
// their lists (a character added, dropped or changed) give the same surface or the same refusal
// on the same line whichever reads them (a comment at a list's start leaves it to the parser).
TEST(TerrainSources, LandXmlListsReadFromTheTextAsTheXmlParserReadsThem) {
    const auto outcome = [](const std::string& text) {
        try {
            const Terrain ground = read("g.xml", text);
            std::string read;
            for (const TerrainPoint& p : ground.points())
                read += std::to_string(p.x) + ',' + std::to_string(p.y) + ',' +
                        std::to_string(p.z) + ' ';
            for (const TerrainFace& f : ground.faces())
                read += std::to_string(f[0]) + ',' + std::to_string(f[1]) + ',' +
                        std::to_string(f[2]) + ' ';
            return read;
        } catch (const DataError& e) {
            return std::string(e.what()) + " @" + std::to_string(e.line());
        }
    };
    const std::string file =
        landxml(square("EG", "", "<F>1 2 3</F>\n<F>1 3 4</F>\n<F i='1'>2 5 3</F>\n"));
    const std::string characters = "<>/\"' \n\t&;=xPFi1-.!:";
    std::mt19937 random(39);
    for (int k = 0; k < 400; ++k) {
        std::string text = file;
        const std::size_t from = text.find("<Pnts>") + 6, to = text.find("</Faces>");
        const std::size_t at = from + random() % (to - from);
        const char c = characters[random() % characters.size()];
        switch (random() % 3) {
            case 0:
                text.insert(at, 1, c);
                break;
            case 1:
                text.erase(at, 1);
                break;
            default:
                text[at] = c;
        }
        std::string parsed = text;
        for (const std::string tag : {"<Pnts>", "<Faces>"})
            if (const std::size_t list = parsed.find(tag); list != std::string::npos)
                parsed.insert(list + tag.size(), "<!---->");
        EXPECT_EQ(outcome(text), outcome(parsed)) << text;
    }
}

TEST(TerrainSources, SurveyPointsInEachLayout) {
    struct Case {
        const char* name;
        std::string text;
    };
    // The same four corners (X north, Y east, H) and a repeated shot, in each layout.
    const Case cases[] = {
        {"ground.dat",
         "A,,0,0,100\nB,地面,0,100,110\n\nC,,100,100,115\nD,,100,0,100\nE,,100,0,100\n"},
        {"ground.csv", "A,0,0,100\nB,100,0,110,地面\nC,100,100,115\nD,0,100,100\nE,0,100,100\n"},
        {"ground.txt", "A 0 0 100\nB 100 0 110\nC 100 100 115\nD 0 100 100\nE　0　100　100\n"},
    };
    for (const Case& c : cases) {
        const Terrain ground = read(c.name, c.text);
        EXPECT_EQ(ground.point_count(), 4u) << c.name;
        EXPECT_EQ(ground.face_count(), 2u) << c.name;
        const std::optional<double> corner = ground.elevation({100, 100});
        ASSERT_TRUE(corner) << c.name;
        EXPECT_NEAR(*corner, 115, 1e-9) << c.name;
        EXPECT_FALSE(ground.elevation({101, 50})) << c.name << ": outside the hull";
    }
}

TEST(TerrainSources, Refusals) {
    struct Refusal {
        const char* name;
        std::string text;
        std::optional<std::string> surface;
        const char* message;
        long line;
    };
    const std::string two = square("原地面") + square("设计面");
    const std::string faces = "<F>1 2 3</F>\n";
    const std::string bad_easting = with(kSquarePoints, "100 0 110", "100\n0x 110");
    const Refusal refusals[] = {
        {"g.xml", landxml(""), std::nullopt, "文件中没有三角网地面", 2},
        {"g.xml", landxml(two), std::nullopt,
         "有 2 个地面：“原地面”（5 个点，2 个三角形）、“设计面”（5 个点，2 个三角形），未选定", 5},
        {"g.xml", landxml(two), "现状", "没有名为“现状”的地面", 5},
        {"g.xml", landxml(square("EG", "", "<F>1 2 3</F>\n<F>1 3 9</F>\n")), std::nullopt,
         "三角形 <F> 的点号“9”在 <Pnts> 中没有", 16},
        {"g.xml", landxml(square("EG", "", "<F>1 2</F>\n")), std::nullopt, "应为 3 个点号", 15},
        {"g.xml", landxml(square("EG", "", "<F i=\"1\">1 2 3</F>\n")), std::nullopt,
         "地面“EG”没有可见的三角形", 6},
        // A point's line is where its element begins, in the lists read from the text and in
        // those the XML parser reads alike.
        {"g.xml", landxml(square("EG", "", faces, bad_easting)), std::nullopt,
         "点 P id=\"2\" 的 东坐标“0x”不是数", 9},
        {"g.xml", landxml(square("EG", "", faces, "<!-- -->\n" + bad_easting)), std::nullopt,
         "点 P id=\"2\" 的 东坐标“0x”不是数", 10},
        {"g.xml", landxml(square("EG", "", faces, with(kSquarePoints, "id=\"3\"", "id=\"2\""))),
         std::nullopt, "点 P id=\"2\" 与前面的点同号", 10},
        {"g.xml", landxml(square("EG", "", faces, with(kSquarePoints, "115</P>", "115</p>"))),
         std::nullopt, "XML 格式有误", 10},
        {"g.dat", "A,,0,0,100\nB,,0,100,\nC,,100,100,115\n", std::nullopt, "点“B”没有 H（高程）",
         2},
        {"g.txt", "A 0 0 100\nB 100 0 110\nC 100 100 115\nB2 100 0 111\n", std::nullopt,
         "第 2 行与第 4 行的点 X、Y 相同而高程不同", 4},
        {"g.txt", "A 0 0 100\nB 10 10 110\nC 20 20 115\n", std::nullopt, "且都在一条直线上", 3},
        {"g.txt", "A 0 0 100\nB 10 1x 110\n", std::nullopt, "Y（东坐标）“1x”不是数", 2},
        {"g.csv", "A,0,0,100\nB,0,0,100\n", std::nullopt, "只有 1 个不同的点", 2},
    };
    for (const Refusal& r : refusals) {
        try {
            read(r.name, r.text, r.surface);
            ADD_FAILURE() << "not refused: " << r.message;
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos)
                << e.what() << "\nexpected: " << r.message;
            EXPECT_EQ(e.line(), r.line) << r.message;
            EXPECT_NE(e.file().find(r.name), std::string::npos) << r.message;
        }
    }
}

}  // namespace
}  // namespace qelt
