// Station text, chain-break checks and the letter assignment, against the worked cases road
// engineers check by hand.
#include <gtest/gtest.h>

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
        {"b1060", "K0+000"},
        {"", "K0+000"},
        {"1+234.5", "K0+001"},
        {" 12 3", "K0+123"},
        {"1e3", "K1+000"},
        {"123456789.25", "K123456+789.250"},
        {"0.0004", "K0+000.000"},
        {"7.", "K0+007"},
        {".5", "K0+000.500"},
    };
    for (const Case& c : cases) {
        std::string printed;
        zh_format(c.text, printed);
        EXPECT_EQ(printed, c.printed) << "station text \"" << c.text << "\"";
    }
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
        {&one, "1234.5", 1234.5},
        {&one, "A1234.5", 1234.5},
        {&one, "B1060", 1110},
        {&two, "C2200", 2200 + 50 - 100},
        {&two, "B1060", 1110},
        {&one, "b1060", 0},
        {&one, "", 0},
    };
    for (const Case& c : cases) {
        double mileage = -1;
        zh_mileage(*c.breaks, c.text, mileage);
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
        std::string lettered = "unset", message;
        std::int16_t errle = 7;
        zh_dlstr(breaks, c.text, lettered, errle, message);
        if (c.lettered) {
            EXPECT_EQ(errle, 1) << c.text;
            EXPECT_EQ(lettered, c.lettered) << c.text;
        } else {
            EXPECT_EQ(errle, 0) << c.text;
            EXPECT_EQ(message, c.message) << c.text;
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
        });
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
