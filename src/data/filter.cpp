#include "data/filter.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "util/text.h"

namespace tavlo {

void FilterVariables::bindValue(std::string_view name, FieldValue value) {
    bindFunction(name, [value] { return value; });
}

void FilterVariables::bindFunction(std::string_view name, std::function<FieldValue()> read) {
    vars_[upper(trim(name))] = std::move(read);
}

const std::function<FieldValue()>* FilterVariables::find(std::string_view name) const {
    auto it = vars_.find(upper(trim(name)));
    return it == vars_.end() ? nullptr : &it->second;
}

// A value met while evaluating: a number (exact) or a text.
struct FilterValue {
    bool isText = false;
    Decimal number;
    std::string text;

    static FilterValue of(const FieldValue& v) {
        FilterValue out;
        if (auto* i = std::get_if<long long>(&v)) {
            out.number = Decimal(*i);
        } else if (auto* d = std::get_if<double>(&v)) {
            out.number = Decimal::parse(std::to_string(*d)).value_or(Decimal());
        } else if (auto* dec = std::get_if<Decimal>(&v)) {
            out.number = *dec;
        } else {
            out.isText = true;
            out.text = std::get<std::string>(v);
        }
        return out;
    }
    bool truth() const { return isText ? !clip(text).empty() : !number.isZero(); }
    Decimal asNumber() const { return isText ? Decimal::parse(text).value_or(Decimal()) : number; }
    std::string asText() const { return isText ? text : number.toString(); }
};

struct Filter::Node {
    enum Kind { Constant, Field, Variable, Not, Neg, And, Or, Compare, Arith } kind;
    int depth = 1;  // the longest way down to a leaf, this node included
    FilterValue constant;
    const FieldDef* field = nullptr;
    std::function<FieldValue()> variable;
    std::string op;
    std::shared_ptr<const Node> a, b;

    FilterValue eval(const void* record) const {
        switch (kind) {
            case Constant: return constant;
            case Field: return FilterValue::of(fieldValue(*field, record));
            case Variable: return FilterValue::of(variable());
            case Not: return bool01(!a->eval(record).truth());
            case Neg: {
                FilterValue v;
                v.number = -a->eval(record).asNumber();
                return v;
            }
            case And: return bool01(a->eval(record).truth() && b->eval(record).truth());
            case Or: return bool01(a->eval(record).truth() || b->eval(record).truth());
            case Compare: return bool01(compare(a->eval(record), b->eval(record)));
            case Arith: {
                FilterValue x = a->eval(record), y = b->eval(record), r;
                if (op == "+" && x.isText && y.isText) {
                    r.isText = true;
                    r.text = x.text + y.text;
                    return r;
                }
                const Decimal p = x.asNumber(), q = y.asNumber();
                if (op == "+") r.number = p + q;
                else if (op == "-") r.number = p - q;
                else if (op == "*") r.number = p * q;
                else r.number = q.isZero() ? Decimal() : p / q;
                return r;
            }
        }
        return {};
    }

    static FilterValue bool01(bool b) {
        FilterValue v;
        v.number = Decimal(b ? 1 : 0);
        return v;
    }

    bool compare(const FilterValue& x, const FilterValue& y) const {
        int c;
        if (op == "~=") {
            c = compareNoCase(x.asText(), y.asText());
        } else if (x.isText && y.isText) {
            std::string p = clip(x.text), q = clip(y.text);
            c = p < q ? -1 : (p == q ? 0 : 1);
        } else {
            // A number against a text compares as numbers when the text reads as one.
            auto p = x.isText ? Decimal::parse(x.text) : std::optional<Decimal>(x.number);
            auto q = y.isText ? Decimal::parse(y.text) : std::optional<Decimal>(y.number);
            if (p && q) {
                c = *p < *q ? -1 : (*p == *q ? 0 : 1);
            } else {
                std::string s = clip(x.asText()), t = clip(y.asText());
                c = s < t ? -1 : (s == t ? 0 : 1);
            }
        }
        if (op == "=" || op == "~=") return c == 0;
        if (op == "<>") return c != 0;
        if (op == "<") return c < 0;
        if (op == ">") return c > 0;
        if (op == "<=") return c <= 0;
        return c >= 0;
    }
};

namespace {

using NodeP = std::shared_ptr<const Filter::Node>;

struct FilterError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Brackets, NOTs and minus signs nest at most this deep, and an expression tree is at most
// kMaxDepth nodes deep (a long chain of "+ 1" is as deep as it is long): parsing, evaluating and
// releasing a filter all recurse, and a typed or stored filter must never exhaust the stack.
constexpr int kMaxNesting = 100;
constexpr int kMaxDepth = 500;

const char* const kTooLarge = "a number in the expression is too large";

// A number the arithmetic cannot hold (or any other failure of the evaluation), as an error text.
FilterValue evaluate(const Filter::Node& node, const void* record) {
    try {
        return node.eval(record);
    } catch (const std::range_error&) {
        throw FilterError(kTooLarge);
    } catch (const std::domain_error&) {
        throw FilterError(kTooLarge);
    }
}

class Parser {
public:
    Parser(const TableDef& t, std::string_view text, const FilterVariables& v) : table_(t), s_(text), vars_(v) {}

    NodeP parse() {
        NodeP n = orExpr();
        skip();
        if (i_ < s_.size()) throw FilterError("unexpected '" + std::string(s_.substr(i_, 10)) + "'");
        return n;
    }

private:
    void skip() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool word(std::string_view w) {
        skip();
        if (i_ + w.size() > s_.size() || !equalsNoCase(s_.substr(i_, w.size()), w)) return false;
        const std::size_t end = i_ + w.size();
        if (end < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[end])) || s_[end] == '_' || s_[end] == ':'))
            return false;
        i_ = end;
        return true;
    }
    bool sym(std::string_view w) {
        skip();
        if (s_.substr(i_, w.size()) != w) return false;
        i_ += w.size();
        return true;
    }
    // Counts one level of brackets, NOT or unary minus for as long as it lives.
    class Nested {
    public:
        explicit Nested(int& level) : level_(level) {
            if (++level_ > kMaxNesting) throw FilterError("the expression nests too deep");
        }
        ~Nested() { --level_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        int& level_;
    };

    // A node over constants is worked out here, so that a number too large for the arithmetic
    // is an error of the expression, not of a record.
    static NodeP make(Filter::Node::Kind k, NodeP a = nullptr, NodeP b = nullptr, std::string op = "") {
        auto n = std::make_shared<Filter::Node>();
        n->kind = k;
        n->depth = 1 + std::max(a ? a->depth : 0, b ? b->depth : 0);
        if (n->depth > kMaxDepth) throw FilterError("the expression is too long");
        const bool constant = a && a->kind == Filter::Node::Constant && (!b || b->kind == Filter::Node::Constant);
        n->a = std::move(a);
        n->b = std::move(b);
        n->op = std::move(op);
        if (!constant) return n;
        auto folded = std::make_shared<Filter::Node>();
        folded->kind = Filter::Node::Constant;
        folded->constant = evaluate(*n, nullptr);
        return folded;
    }

    NodeP orExpr() {
        NodeP n = andExpr();
        while (word("OR") || sym("|")) n = make(Filter::Node::Or, n, andExpr());
        return n;
    }
    NodeP andExpr() {
        NodeP n = notExpr();
        while (word("AND") || sym("&")) n = make(Filter::Node::And, n, notExpr());
        return n;
    }
    NodeP notExpr() {
        skip();
        if (word("NOT")) {
            Nested nested(nesting_);
            return make(Filter::Node::Not, notExpr());
        }
        if (s_.substr(i_, 1) == "~" && s_.substr(i_, 2) != "~=") {
            ++i_;
            Nested nested(nesting_);
            return make(Filter::Node::Not, notExpr());
        }
        return cmpExpr();
    }
    NodeP cmpExpr() {
        NodeP n = sum();
        for (const char* op : {"<>", "<=", ">=", "~=", "=", "<", ">"})
            if (sym(op)) return make(Filter::Node::Compare, n, sum(), op);
        return n;
    }
    NodeP sum() {
        NodeP n = term();
        for (;;) {
            if (sym("+")) n = make(Filter::Node::Arith, n, term(), "+");
            else if (sym("-")) n = make(Filter::Node::Arith, n, term(), "-");
            else return n;
        }
    }
    NodeP term() {
        NodeP n = atom();
        for (;;) {
            if (sym("*")) n = make(Filter::Node::Arith, n, atom(), "*");
            else if (sym("/")) n = make(Filter::Node::Arith, n, atom(), "/");
            else return n;
        }
    }
    NodeP atom() {
        skip();
        if (i_ >= s_.size()) throw FilterError("the expression ends too early");
        const char c = s_[i_];
        if (c == '(') {
            ++i_;
            Nested nested(nesting_);
            NodeP n = orExpr();
            if (!sym(")")) throw FilterError("a ')' is missing");
            return n;
        }
        if (c == '-') {
            ++i_;
            Nested nested(nesting_);
            return make(Filter::Node::Neg, atom());
        }
        if (c == '\'' || c == '"') {
            ++i_;
            std::string text;
            for (;;) {
                if (i_ >= s_.size()) throw FilterError("a text is not closed");
                if (s_[i_] == c) {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == c) {  // doubled quote
                        text += c;
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                text += s_[i_++];
            }
            auto n = std::make_shared<Filter::Node>();
            n->kind = Filter::Node::Constant;
            n->constant.isText = true;
            n->constant.text = text;
            return n;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            std::size_t start = i_;
            while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.')) ++i_;
            auto d = Decimal::parse(s_.substr(start, i_ - start));
            if (!d) throw FilterError("bad number '" + std::string(s_.substr(start, i_ - start)) + "'");
            auto n = std::make_shared<Filter::Node>();
            n->kind = Filter::Node::Constant;
            n->constant.number = *d;
            return n;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t start = i_;
            while (i_ < s_.size() &&
                   (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_' || s_[i_] == ':'))
                ++i_;
            const std::string_view name = s_.substr(start, i_ - start);
            auto n = std::make_shared<Filter::Node>();
            if (const auto* v = vars_.find(name)) {
                n->kind = Filter::Node::Variable;
                n->variable = *v;
                return n;
            }
            int f = table_.fieldIndex(name);
            if (f < 0) throw FilterError("unknown name '" + std::string(name) + "'");
            n->kind = Filter::Node::Field;
            n->field = &table_.fields[f];
            return n;
        }
        throw FilterError("unexpected '" + std::string(1, c) + "'");
    }

    const TableDef& table_;
    std::string_view s_;
    const FilterVariables& vars_;
    std::size_t i_ = 0;
    int nesting_ = 0;
};

}  // namespace

std::optional<Filter> Filter::compile(const TableDef& table, std::string_view text, const FilterVariables& vars,
                                      std::string* error) {
    try {
        Filter f;
        f.text_ = std::string(text);
        if (trim(text).empty()) return f;  // no filter: every record
        f.root_ = Parser(table, text, vars).parse();
        return f;
    } catch (const FilterError& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
}

bool Filter::matches(const void* record, std::string* error) const {
    if (!root_) return true;
    try {
        return evaluate(*root_, record).truth();
    } catch (const FilterError& e) {
        if (error) *error = e.what();
        return false;
    }
}

}  // namespace tavlo
