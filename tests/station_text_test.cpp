// Station text, chain-break checks and the letter assignment, against the worked cases road
// engineers check by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/data_error.h"
#include "base/text.h"
#include "station/station.h"

namespace qelt {
namespace {

ChainBreaks breaks_of(std::initializer_list<std::pair<double, double>> list, double end) {
    ChainBreaks b;
    int i = 0;
    for (auto [before, after] : list) {
        ++i;
        b.dl_before[i] = before;
        b.dl_after[i] = after;
    }
    b.dl_count = static_cast<std::int16_t>(i);
    b.dl_before[i + 1] = b.dl_after[i + 1] = end;
    return b;
}

TEST(StationFormat, PrintsKilometrePattern) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"1234.5", "K1+234.500"},
        {"1234", "K1+234"},
        {"0", "K0+000"},
        {"56.7", "K0+056.700"},
        {"12345.678", "K12+345.678"},
        {"A1234.5", "K1+234.500"},
        {"B1060", "K1+060"},
        {"1234.0001", "K1+234.000"},
        {"999.9996", "K1+000.000"},
        {"999.9995", "K1+000.000"},
        {"999.9994", "K0+999.999"},
        {"1.0005", "K0+001.001"},
        {"-1234.5", "-K1+234.500"},
        {"-12", "-K0+012"},
        {"-0.5", "-K0+000.500"},
        {"1+234.5", "K1+234.500"},
        {"BK13+470", "K13+470"},
        {"-K0+050", "-K0+050"},
        {"１１１５０．６", "K11+150.600"},
        {"1e3", "K1+000"},
        {"123456789.25", "K123456+789.250"},
        {"0.0004", "K0+000.000"},
        {"-0.0004", "K0+000.000"},
        {"7.", "K0+007"},
        {".5", "K0+000.500"},
        // Carries through metres into kilometres, and numbers far beyond any road.
        {"9999.9995", "K10+000.000"},
        {"-999.9995", "-K1+000.000"},
        {"0.9996", "K0+001.000"},
        {"1e-300", "K0+000.000"},
        {"1e20", "K100000000000000000+000"},
    };
    for (const Case& c : cases) {
        std::string printed;
        zh_format(c.text, printed);
        EXPECT_EQ(printed, c.printed) << "station text \"" << c.text << "\"";
    }
}

TEST(StationParse, ReadsWholeTextsOnly) {
    struct Case {
        const char* text;
        char letter;
        double number;  // NAN: refused
    };
    const Case cases[] = {
        {"11150.6", 0, 11150.6},
        {" 11150.6\t", 0, 11150.6},
        {"+150", 0, 150},
        {"-12.5", 0, -12.5},
        {"1.2e3", 0, 1200},
        {"1e+3", 0, 1000},
        {"K11+150", 0, 11150},
        {"K11+150.600", 0, 11150.6},
        {"11+150", 0, 11150},
        {"-K0+050", 0, -50},
        {"K0+5", 0, 5},
        {"k2+010.5", 0, 2010.5},
        {"K11150", 'K', 11150},
        {"B13470", 'B', 13470},
        {"BK13+470", 'B', 13470},
        {"B13+470", 'B', 13470},
        {"B-5", 'B', -5},
        {"１１１５０", 0, 11150},
        {"Ｋ11+150", 0, NAN},
        {"Ｂ１３４７０", 0, NAN},
        {"K１１＋１５０．５", 0, 11150.5},
        {"－５", 0, -5},
        {"　11150　", 0, 11150},
        {"桩号", 0, NAN},
        {"\"K11+150.600\"", 0, NAN},
        {"a13480", 0, NAN},
        {"11,150", 0, NAN},
        {"6.5m", 0, NAN},
        {"A", 0, NAN},
        {"", 0, NAN},
        {"K11+1000", 0, NAN},
        {"K11+", 0, NAN},
        {"K+150", 'K', 150},
        {"11+150+3", 0, NAN},
        {"K11+150.6.1", 0, NAN},
        {"--5", 0, NAN},
        {"K1.5+100", 0, NAN},
        {"nan", 0, NAN},
        {"AB100", 0, NAN},
    };
    for (const Case& c : cases) {
        const auto station = parse_station(c.text);
        if (std::isnan(c.number)) {
            EXPECT_FALSE(station) << c.text;
            continue;
        }
        ASSERT_TRUE(station) << c.text;
        EXPECT_EQ(station->letter, c.letter) << c.text;
        EXPECT_EQ(station->number, c.number) << c.text;
    }
}

// Fewer than three digits of metres after '+' read as written, with the notice that names the
// station as written and as read; three digits or more (leading zeros too), and every form
// without '+', without one.
TEST(StationParse, ShortMetresReadAsWrittenAndNoticed) {
    struct Case {
        const char* text;
        double number;
        const char* read_as;  // in the notice; null: no notice
    };
    const Case cases[] = {
        {"K12+70", 12070, "K12+070"},
        {"K12+7.5", 12007.5, "K12+007.500"},
        {"K0+5", 5, "K0+005"},
        {"-K0+05", -5, "-K0+005"},
        {"BK13+47", 13047, "K13+047"},
        {"K１２＋７０", 12070, "K12+070"},
        {"K12+070", 12070, nullptr},
        {"K12+0070", 12070, nullptr},
        {"K12+070.5", 12070.5, nullptr},
        {"12070", 12070, nullptr},
        {"B70", 70, nullptr},
        {"1e+3", 1000, nullptr},
    };
    for (const Case& c : cases) {
        const auto station = parse_station(c.text);
        ASSERT_TRUE(station) << c.text;
        EXPECT_EQ(station->number, c.number) << c.text;
        EXPECT_EQ(station->short_metres, c.read_as != nullptr) << c.text;
        const auto notice = short_metres_notice(c.text);
        ASSERT_EQ(notice.has_value(), c.read_as != nullptr) << c.text;
        if (notice) {
            EXPECT_NE(notice->find(std::string("“") + c.text + "”“+”后的米数不足三位，已按 " +
                                   c.read_as + " 读取"),
                      std::string::npos)
                << *notice;
        }
    }
}

// Whatever the table prints must read back as the station it shows: an engineer copies the
// station column of one table into the borehole file of the next.
TEST(StationParse, PrintedStationsReadBack) {
    std::mt19937_64 random(20261209);
    std::uniform_int_distribution<long long> thousandths(-5'000'000, 200'000'000);
    for (int i = 0; i < 20000; ++i) {
        const long long t = i < 2000 ? (i - 1000) * 500 : thousandths(random);
        char written[64];
        std::snprintf(written, sizeof written, "%lld.%03lld", t / 1000, std::llabs(t % 1000));
        if (t < 0 && t > -1000) std::snprintf(written, sizeof written, "-0.%03lld", -t);
        std::string printed;
        zh_format(written, printed);
        const auto back = parse_station(printed);
        ASSERT_TRUE(back) << written << " -> " << printed;
        EXPECT_EQ(back->number, parse_station(written)->number) << written << " -> " << printed;
        EXPECT_EQ(back->letter, 0) << printed;
    }
}

TEST(ChainBreakOrder, BreaksFollowOneAnotherAlongTheLine) {
    struct Case {
        std::initializer_list<std::pair<double, double>> breaks;
        long refused_line;  // 0: accepted
    };
    const Case cases[] = {
        {{{13500, 13450}, {16200, 16260}}, 0},
        {{{16200, 16260}, {13500, 13450}}, 2},  // listed the wrong way round
        {{{1100, 1050}, {1050, 1200}}, 2},      // no line between the two breaks
        {{{1100, 1050}, {1051, 1200}}, 0},
        {{{999, 1050}}, 1},  // before the start of the line (1000)
        {{{1000, 1050}}, 0},
        {{{30100, 30000}}, 1},  // past the end (30000)
        {{{30000, 29000}}, 0},
        {{{20000, 15000}, {29000, 28000}}, 2},  // at mileage 29000 + 5000: past the end
    };
    for (const Case& c : cases) {
        ChainBreaks breaks = breaks_of(c.breaks, 30000);
        try {
            dl_check_order(breaks, 1000, 30000);
            EXPECT_EQ(c.refused_line, 0)
                << "accepted, break " << c.refused_line << " expected refused";
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), c.refused_line) << e.what();
        }
    }
}

// Completing the table as a run does: the slots beyond the breaks hold the line's ends, "-1 -1"
// declares none, and a line numbered from below 0 has its first metres in interval A.
TEST(ChainBreakTable, CompletedForTheLine) {
    struct Case {
        std::initializer_list<std::pair<double, double>> breaks;
        double start, end;
        int count;             // dl_count once completed
        double first, last;    // slot 0 and slot count + 1
        const char* lettered;  // a station at the start of interval A that must pass
    };
    const Case cases[] = {
        {{{-1, -1}}, 0, 3000, 0, 0, 3000, "A0"},
        {{}, 0, 3000, 0, 0, 3000, "A0"},
        {{{1100, 1050}}, 0, 3000, 1, 0, 2950, "B2950"},
        {{{1100, 1200}, {2000, 1900}}, 500, 3000, 2, 0, 3000, "A500"},
        {{{1100, 1200}}, -50, 3000, 1, -50, 3100, "A-50"},
    };
    for (const Case& c : cases) {
        ChainBreaks b = breaks_of(c.breaks, 12345);  // a stale end, overwritten
        dl_complete(b, c.start, c.end);
        EXPECT_EQ(b.dl_count, c.count) << c.start;
        EXPECT_EQ(b.dl_after[0], c.first) << c.start;
        EXPECT_EQ(b.dl_before[c.count + 1], c.last) << c.start;
        EXPECT_EQ(b.dl_after[c.count + 1], c.last) << c.start;
        std::string message;
        EXPECT_TRUE(zh_check(b, c.lettered, message) || b.dl_count == 0) << message;
    }
}

// The station of a mileage, read back with the borehole-file rules, is the same point: in a long
// chain's overlap the letter says which of the two places is meant.
TEST(StationOfMileage, ReadsBackToTheSameMileage) {
    const ChainBreaks breaks = breaks_of({{13500, 13450}, {16200, 16260}}, 30000);
    struct Case {
        double mileage;
        const char* text;
    };
    const Case cases[] = {
        {13000, "K13+000"},  {13480, "AK13+480"},        {13500, "AK13+500"},
        {13520, "BK13+470"}, {13550.125, "K13+500.125"}, {14000, "K13+950"},
        {16250, "K16+200"},  {16250.5, "K16+260.500"},   {20000, "K20+010"},
        {-5, "-K0+005"},
    };
    for (const Case& c : cases) {
        const StationOfMileage s = zh_station_of(breaks, c.mileage);
        EXPECT_EQ(s.text, c.text) << c.mileage;
        std::string message;
        ASSERT_TRUE(zh_check(breaks, s.text, message)) << s.text << ": " << message;
        const LetteredStation lettered = zh_dlstr(breaks, s.text);
        ASSERT_TRUE(lettered) << s.text << ": " << lettered.message;
        double back = 0;
        zh_mileage(breaks, *lettered.text, back);
        EXPECT_NEAR(back, c.mileage, 0.0005) << s.text;
    }
    EXPECT_EQ(zh_station_of(ChainBreaks{}, 11150.6).text, "K11+150.600");
}

TEST(StationMileage, TakesOutChainBreaks) {
    const ChainBreaks one = breaks_of({{1100, 1050}}, 3000);
    const ChainBreaks two = breaks_of({{1100, 1050}, {2000, 2100}}, 3000);
    struct Case {
        const ChainBreaks* breaks;
        const char* text;
        double mileage;
    };
    const Case cases[] = {
        {&one, "1234.5", 1234.5},         {&one, "A1234.5", 1234.5}, {&one, "B1060", 1110},
        {&two, "C2200", 2200 + 50 - 100}, {&two, "B1060", 1110},     {&one, "BK1+060", 1110},
        {&two, "CK2+200", 2150},          {&one, "b1060", NAN},      {&one, "", NAN},
    };
    for (const Case& c : cases) {
        double mileage = -1;
        zh_mileage(*c.breaks, c.text, mileage);
        if (std::isnan(c.mileage))
            EXPECT_TRUE(std::isnan(mileage)) << c.text;
        else
            EXPECT_DOUBLE_EQ(mileage, c.mileage) << c.text;
    }
}

struct CheckCase {
    const char* text;
    bool passes;
    const char* message;  // expected message when rejected
};

void expect_checks(const ChainBreaks& breaks, std::initializer_list<CheckCase> cases) {
    for (const CheckCase& c : cases) {
        std::string message;
        EXPECT_EQ(zh_check(breaks, c.text, message), c.passes) << c.text;
        if (!c.passes) {
            EXPECT_EQ(message, c.message) << c.text;
        }
    }
}

TEST(StationCheck, LetteredStationsAgainstTheirInterval) {
    expect_checks(breaks_of({{1100, 1050}}, 3000),
                  {
                      {"A1100", true, ""},
                      {"A1101", false, "桩号A1101超出所在断链区间，请修改！"},
                      {"B1049", false, "桩号B1049超出所在断链区间，请修改！"},
                      {"C500", false, "桩号C500断链标识有误，请修改！"},
                      {"B3000", true, ""},
                      {"B3000.5", false, "桩号B3000.5超出所在断链区间，请修改！"},
                      {"1000", true, ""},
                      {"b1000", true, ""},
                      {"BK1+060", true, ""},
                      {"BK1+049", false, "桩号BK1+049超出所在断链区间，请修改！"},
                      {"K1+200", true, ""},
                      {"", true, ""},
                  });
    expect_checks(ChainBreaks{}, {
                                     {"A100", false, "桩号A100有误，不存在断链，请修改！"},
                                     {"100", true, ""},
                                 });
}

struct LetterCase {
    const char* text;
    const char* lettered;  // nullptr: rejected with `message`
    const char* message;
};

void expect_letters(const ChainBreaks& breaks, std::initializer_list<LetterCase> cases) {
    for (const LetterCase& c : cases) {
        const LetteredStation lettered = zh_dlstr(breaks, c.text);
        if (c.lettered) {
            ASSERT_TRUE(lettered) << c.text << ": " << lettered.message;
            EXPECT_EQ(*lettered.text, c.lettered) << c.text;
            EXPECT_EQ(lettered.message, "") << c.text;
        } else {
            EXPECT_FALSE(lettered.text.has_value()) << c.text << " -> " << *lettered.text;
            EXPECT_EQ(lettered.message, c.message) << c.text;
        }
    }
}

TEST(StationLetter, LongChainNeedsALetterInItsOverlap) {
    const char* ambiguous = "程序不能判断桩号1075所属的断链区间，需添加断链标识A、B、C...";
    expect_letters(
        breaks_of({{1100, 1050}}, 3000),
        {
            {"1000", "A1000", ""},
            {"1200", "B1200", ""},
            {"1075", nullptr, ambiguous},
            {"1100", nullptr, "程序不能判断桩号1100所属的断链区间，需添加断链标识A、B、C..."},
            {"1050", nullptr, "程序不能判断桩号1050所属的断链区间，需添加断链标识A、B、C..."},
            {"B1075", "B1075", ""},
            {"", nullptr, "桩号为空，请修改！"},
            {"K1+200", "BK1+200", ""},
            {"K1+075", nullptr, "程序不能判断桩号K1+075所属的断链区间，需添加断链标识A、B、C..."},
            {"a1000", nullptr, "桩号a1000无法识别，请修改！"},
        });
}

// With ten chain breaks the eleventh interval is K: the letter supplied to "11+150" must not
// turn it into the kilometre form K11+150, which has no identifier (found by fuzzing).
TEST(StationLetter, IntervalKBeforeAKilometreForm) {
    std::initializer_list<std::pair<double, double>> ten = {
        {1000, 1010}, {2000, 2010}, {3000, 3010}, {4000, 4010}, {5000, 5010},
        {6000, 6010}, {7000, 7010}, {8000, 8010}, {9000, 9010}, {10000, 10010}};
    const ChainBreaks breaks = breaks_of(ten, 30000);
    for (const char* text : {"11+150", "11150", "K11+150", "-11+150"}) {
        const LetteredStation result = zh_dlstr(breaks, text);
        ASSERT_TRUE(result) << text << ": " << result.message;
        if (text[0] == '-') continue;  // before the start: interval A
        const std::string& lettered = *result.text;
        EXPECT_EQ(parse_station(lettered)->letter, 'K') << text << " -> " << lettered;
        double mileage = 0;
        zh_mileage(breaks, lettered, mileage);
        EXPECT_EQ(mileage, 11150 - 100) << text << " -> " << lettered;
    }
}

TEST(StationLetter, ShortChainHasAGap) {
    expect_letters(breaks_of({{1100, 1200}}, 3000),
                   {
                       {"1150", nullptr, "桩号1150不应存在1100和1200之间，请修改！"},
                       {"1100", "A1100", ""},
                       {"1200", "B1200", ""},
                   });
    expect_letters(breaks_of({{0.25, 0.5}}, 3000),
                   {{"0.3", nullptr, "桩号0.3不应存在.25和.5之间，请修改！"}});
}

TEST(StationLetter, NoChainBreaksPassesTextUnchanged) {
    expect_letters(ChainBreaks{}, {{"100", "100", ""}, {" 100", " 100", ""}});
}

TEST(StationLetter, ShortNumberText) {
    const std::pair<double, const char*> cases[] = {
        {1100, "1100"},
        {0.5, ".5"},
        {-0.5, "-.5"},
        {1234.125, "1234.125"},
        {0, "0"},
        {-1, "-1"},
        {1.0 / 3, ".333333333333333"},
        {1e20, "1E+20"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(short_number_text(value), text) << value;
}

}  // namespace
}  // namespace qelt
