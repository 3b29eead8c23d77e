// View filters. Input: the expression on the first line; the rest is the record's text field
// and, read as a number, its amount.
#include <limits>
#include <string>

#include "data/filter.h"
#include "fuzz_target.h"

namespace tavlo::fuzz {

namespace {
struct Row {
    std::string text;
    Decimal amount;
    std::int32_t number = 0;
    double real = 0;
};

// A table of one of each kind of field, without the storage behind the program's tables.
const TableDef& rowTable() {
    static const TableDef table = [] {
        TableDef t;
        t.label = "FUZZ";
        t.prefix = "FZ";
        t.fileName = "Fuzz";
        t.fields = {
            {"TEXT", FieldKind::STRING, 20, 0, [](void* r) -> FieldRef { return &static_cast<Row*>(r)->text; }},
            {"AMOUNT", FieldKind::DECIMAL, 7, 2, [](void* r) -> FieldRef { return &static_cast<Row*>(r)->amount; }},
            {"NUMBER", FieldKind::LONG, 4, 0, [](void* r) -> FieldRef { return &static_cast<Row*>(r)->number; }},
            {"REAL", FieldKind::REAL, 8, 0, [](void* r) -> FieldRef { return &static_cast<Row*>(r)->real; }},
        };
        return t;
    }();
    return table;
}
}  // namespace

int filter(const std::uint8_t* data, std::size_t size) {
    std::string_view rest;
    const std::string_view expression = firstLine(asText(data, size), &rest);
    Row row;
    row.text = std::string(rest);
    row.amount = Decimal::parse(rest).value_or(Decimal::of("999999999999999999999999999999999999"));
    row.number = std::numeric_limits<std::int32_t>::min() + static_cast<std::int32_t>(size);
    row.real = size % 2 ? 1e300 : -0.0;
    const std::string name = "Loc:Name";
    const Decimal limit = Decimal::of("-0.000000000000000000000001");
    FilterVariables vars;
    vars.bind("Loc:Name", &name);
    vars.bind("Loc:Limit", &limit);
    vars.bindValue("Glo:Count", static_cast<long long>(size));
    std::string error;
    auto compiled = Filter::compile(rowTable(), expression, vars, &error);
    check(compiled.has_value() || !error.empty(), "a refused filter gives no reason");
    if (compiled) {
        error.clear();
        const bool passed = compiled->matches(&row, &error);
        check(!passed || error.empty(), "a record passed with an error");
    }
    return 0;
}

}  // namespace tavlo::fuzz
