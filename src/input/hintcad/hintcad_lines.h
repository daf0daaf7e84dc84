#pragma once
// What the readers of the 纬地 files share (input/hintcad/hintcad_files.h): the first line checked for
// the kind the reader expects, the lines that follow taken apart into fields, and every refusal
// naming the file, the line and the field as typed.

#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "input/hintcad/hintcad_files.h"
#include "station/chain_breaks.h"

namespace qelt {

class HintcadLines {
  public:
    // Reads the first line that is not blank and refuses a file whose first line is not of
    // `kind`: "不是纬地横断面数据文件（.hdm）：第一行应为 HINTCAD<版本>_HDM_SHUJU，实为 …".
    // `or_kind`, where given, is a second kind the reader takes (the plane: .pm or .jd);
    // kind() says which the file is.
    HintcadLines(LineSource& file, HintcadKind kind, HintcadKind or_kind = HintcadKind::none);
    HintcadKind kind() const { return kind_; }

    // The next line that is not blank, taken apart; false at the end of the file.
    bool next();
    const std::vector<std::string>& fields() const { return fields_; }
    long line() const { return file_.line_number(); }
    const std::string& path() const { return file_.path(); }

    // Refuses the line read last.
    [[noreturn]] void refuse(const std::string& why) const;
    // Refuses the line read last where its station (field 0, at `mileage`) does not come after
    // the one before it (at `previous`): "桩号<as typed>不大于<before>：<rule>", `before` naming
    // the station before as the file's kind calls it. The suite's files list their stations in
    // the line's direction, and one out of order is a typing error, never a meaning.
    void refuse_unless_after(double mileage, double previous, const std::string& before,
                             const std::string& rule) const;
    // Refuses a line of another number of fields than `form` says ("站号 高程").
    void expect_fields(std::size_t count, const char* form) const;
    void expect_at_least(std::size_t count, const char* form) const;
    // Field i as a number, read whole; `what` names it ("高程").
    double number(std::size_t i, const char* what) const;
    // Field i as a distance: a number, not negative.
    double distance(std::size_t i, const char* what) const;
    // Field i as a whole count, not negative.
    long count(std::size_t i, const char* what) const;
    // Field i as a station (plain metres, as the suite writes it) through the chain breaks:
    // its continuous mileage; `printed` receives it as the tables print it ("K1+020").
    double mileage(std::size_t i, const ChainBreaks& breaks, std::string& printed) const;

  private:
    LineSource& file_;
    HintcadKind kind_;
    std::vector<std::string> fields_;
};

// "第 3 个线元" and the like come from the readers; this is the field as typed, quoted.
std::string as_typed(std::string_view field);

}  // namespace qelt
