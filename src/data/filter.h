#pragma once
// View filters: small boolean expressions over a table's fields and bound variables, as
// "PT21:DocumentNo = Loc:DocNumber" or "(PA10:AccountType = 11) AND NOT PA10:MARK".
//
//   FilterVariables vars;
//   vars.bind("Loc:DocNumber", &docNumber);          // read when the filter is evaluated
//   std::string error;
//   auto f = Filter::compile(PQXT21::table(), "PT21:DocumentNo = Loc:DocNumber", vars, &error);
//   if (f && f->matches(&t21.rec)) ...
//
// Grammar: or := and {(OR | '|') and}; and := not {(AND | '&') not}; not := (NOT | '~') not | cmp;
// cmp := sum [op sum] with op one of = <> ~= < > <= >= (a lone value is true when not blank or 0);
// sum := term {('+'|'-') term}; term := atom {('*'|'/') atom}; atom := number | 'text' | "text" |
// name | '(' or ')' | '-' atom. Names are fields of the table (with or without its prefix, any
// letter case) or bound variables. Text compares with trailing blanks ignored; numbers exactly.
// Brackets, NOT and minus signs nest at most 100 deep; a deeper or overlong expression, and
// arithmetic on constants that overflows, is an error of compile().
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "data/dictionary.h"

namespace tavlo {

class FilterVariables {
public:
    // The variable's current value is read each time the filter is evaluated.
    template <class V>
    void bind(std::string_view name, const V* variable) {
        bindFunction(name, [variable]() -> FieldValue {
            if constexpr (std::is_same_v<V, std::string> || std::is_same_v<V, Decimal>)
                return *variable;
            else if constexpr (std::is_floating_point_v<V>)
                return static_cast<double>(*variable);
            else
                return static_cast<long long>(*variable);
        });
    }
    void bindValue(std::string_view name, FieldValue value);
    void bindFunction(std::string_view name, std::function<FieldValue()> read);
    const std::function<FieldValue()>* find(std::string_view name) const;

private:
    std::map<std::string, std::function<FieldValue()>> vars_;  // by upper-case name
};

class Filter {
public:
    // nullopt and a reason in *error when the text is not a valid expression or names a field
    // or variable that does not exist.
    static std::optional<Filter> compile(const TableDef& table, std::string_view text, const FilterVariables& vars,
                                         std::string* error = nullptr);
    // Whether the record passes. A record whose values the arithmetic cannot hold (a product
    // too large for any number) does not pass, and the reason is in *error.
    bool matches(const void* record, std::string* error = nullptr) const;
    const std::string& text() const { return text_; }

    struct Node;

private:
    std::shared_ptr<const Node> root_;
    std::string text_;
};

}  // namespace tavlo
