#include "components/parser/ParserCore.h"
#include "components/parser/DecimalText.h"
#include "components/parser/FpuFlags.h"
#include "platform/rtl/Exceptions.h"
#include <cmath>
#include <limits>
#include <string_view>

namespace {

const char* const kDivisionByZero = "Division durch 0";
const char* const kLogOfNonPositive = "Log von X mit X <= 0";
const char* const kPowerFailed = "Kein negativer Ausdruck unter Wurzel erlaubt.";
const char* const kNotANumber = " kann nicht in eine Zahl umgewandelt werden! (STD)";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Whether text, lower-cased, equals the lower-case name.
bool IsName(std::string_view text, std::string_view name)
{
    if (text.size() != name.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Lower(text[i]) != name[i])
            return false;
    }
    return true;
}

// Whether the characters of s from position i, lower-cased, spell name.
bool NameAt(std::string_view s, size_t i, std::string_view name)
{
    return i + name.size() <= s.size() && IsName(s.substr(i, name.size()), name);
}

// Swaps the characters a and b outside brackets.
void SwapTopLevel(AnsiString& s, char a, char b)
{
    int64_t depth = 0;
    for (char& c : s) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (depth == 0) {
            if (c == a)
                c = b;
            else if (c == b)
                c = a;
        }
    }
}

}

// ---- Normalisation ---------------------------------------------------------

void ParserCore::InitLandDot()
{
    if (FOverwriteDecimalSymbol.empty())
        FLandDot.assign(1, DecimalText::SystemSeparator());
    else
        FLandDot = FOverwriteDecimalSymbol;
}

AnsiString ParserCore::EntferneLeerzeichen(const AnsiString& s) const
{
    AnsiString out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != ' ')
            out += c;
    }
    return out;
}

AnsiString ParserCore::EntferneKlammern(const AnsiString* s) const
{
    const AnsiString& text = *s;
    size_t n = text.size();
    if (n == 0 || text.front() != '(' || text.back() != ')')
        return text;
    int64_t depth = 0;
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '(') {
            // A bracket opening at depth 0 after the first one: the first
            // pair closed before the end, so it does not enclose the text.
            if (depth == 0 && i != 0)
                return text;
            ++depth;
        } else if (text[i] == ')') {
            --depth;
        }
    }
    return text.substr(1, n - 2);
}

AnsiString ParserCore::WandleSinCosTanUm(const AnsiString& s) const
{
    struct Rewrite {
        std::string_view name;
        const char* code;
    };
    static constexpr Rewrite kRewrites[] = {
        { "sin", "s#" }, { "cos", "c#" }, { "tan", "t#" },
        { "ln", "n#" }, { "lg", "g#" },
        { "abs", "r#" }, { "mod", "m" },
    };
    AnsiString out;
    out.reserve(s.size() + 8);
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        const Rewrite* match = nullptr;
        for (const Rewrite& r : kRewrites) {
            if (NameAt(s, i, r.name)) {
                match = &r;
                break;
            }
        }
        if (match) {
            out += match->code;
            i += match->name.size();
            continue;
        }
        if (FConvertAllColonsAndDots && (c == '.' || c == ','))
            out += FLandDot;
        else
            out += c;
        ++i;
    }
    return out;
}

AnsiString ParserCore::Assiotiativitaet(const AnsiString& s) const
{
    AnsiString out = s;
    int64_t depth = 0;
    bool subtractionSeen = false;
    bool divisionSeen = false;
    for (char& c : out) {
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        if (depth != 0)
            continue;
        switch (c) {
        case '-':
            if (subtractionSeen)
                c = '+';
            subtractionSeen = true;
            break;
        case '+':
            if (subtractionSeen)
                c = '-';
            break;
        case '/':
            if (divisionSeen)
                c = '*';
            divisionSeen = true;
            break;
        case '*':
            if (divisionSeen)
                c = '/';
            break;
        default:
            break;
        }
    }
    return out;
}

// ---- The tree --------------------------------------------------------------

void ParserCore::SplitLowest(AnsiString* left, AnsiString* right, AnsiString* op, const AnsiString& s) const
{
    // Brackets weigh 16 per level, so an operator inside fewer brackets always
    // wins. At one level: the first "-", else the last "+", else the first of
    // "*", "/" and "m", else the first "^", else the first "#".
    // Test and weight of each operator above its bracket depth: it replaces
    // the current choice when its test is below the chosen weight.
    struct Precedence {
        char op;
        int test;
        int weight;
    };
    static constexpr Precedence kPrecedences[] = {
        { '-', 1, 1 }, { '+', 1, 2 }, { '*', 2, 2 }, { '/', 2, 2 }, { 'm', 2, 2 }, { '^', 4, 4 }, { '#', 8, 8 },
    };
    int64_t depth = 0;
    size_t chosen = AnsiString::npos;
    int64_t weight = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '(') {
            depth += 16;
            continue;
        }
        if (c == ')') {
            depth -= 16;
            continue;
        }
        for (const Precedence& p : kPrecedences) {
            if (p.op != c)
                continue;
            if (chosen == AnsiString::npos || depth + p.test < weight) {
                chosen = i;
                weight = depth + p.weight;
            }
            break;
        }
    }
    if (chosen == AnsiString::npos) {
        left->clear();
        right->clear();
        op->clear();
        return;
    }
    AnsiString l = s.substr(0, chosen);
    AnsiString r = s.substr(chosen + 1);
    char o = s[chosen];
    // The split falls on the first "-" (or "/") of its level, so whatever
    // follows it at that level belongs to the subtrahend (or divisor):
    // a-b-c+d is a-(b+c-d) and a/b*c/d is a/(b/c*d).
    if (o == '-')
        SwapTopLevel(r, '+', '-');
    else if (o == '/')
        SwapTopLevel(r, '*', '/');
    *op = AnsiString(1, o);
    *left = EntferneKlammern(&l);
    *right = EntferneKlammern(&r);
}

bool ParserCore::MakeTree(Tree* node, AnsiString s)
{
    return MakeTreeAt(node, std::move(s), 1);
}

bool ParserCore::MakeTreeAt(Tree* node, AnsiString s, int level)
{
    // The split runs in a frame of its own, so each level of this recursion
    // keeps little more than the node on the stack.
    switch (SplitNode(node, std::move(s), level)) {
    case NodeSplit::Failed:
        return false;
    case NodeSplit::Leaf:
        return true;
    case NodeSplit::Operator:
        break;
    }
    for (Tree* operand : { node->Left.get(), node->Right.get() }) {
        if (!IsZahl(operand->Text) && !MakeTreeAt(operand, std::move(operand->Text), level + 1))
            return false;
    }
    return true;
}

ParserCore::NodeSplit ParserCore::SplitNode(Tree* node, AnsiString s, int level) const
{
    AnsiString left, right, op;
    SplitLowest(&left, &right, &op, s);
    if (left.empty() && op == "-")
        left = "0";  // unary minus
    if (op.empty() && left.empty() && right.empty()) {
        if (!IsZahl(s))
            return NodeSplit::Failed;
        node->Text = std::move(s);
        return NodeSplit::Leaf;
    }
    if (op.empty() || left.empty() || right.empty() || level >= MaxTreeDepth)
        return NodeSplit::Failed;
    // Only the operand texts live on while the subtrees are built, so the
    // texts held at any time add up to the length of the formula.
    node->Text = std::move(op);
    node->Left = std::make_unique<Tree>(std::move(left));
    node->Right = std::make_unique<Tree>(std::move(right));
    return NodeSplit::Operator;
}

bool ParserCore::CreateTree()
{
    InitLandDot();
    FWorkText = FExpression;
    FWorkText = EntferneLeerzeichen(FWorkText);
    FWorkText = EntferneKlammern(&FWorkText);
    FWorkText = WandleSinCosTanUm(FWorkText);
    Tree fresh;
    bool built = MakeTree(&fresh, FWorkText);
    // The previous tree goes either way; no evaluation can be running now.
    FTreeRoot = built ? std::move(fresh) : Tree();
    return built;
}

long double ParserCore::Eval(const Tree* node)
{
    if (!node)
        return 0;
    InitLandDot();
    FpuFlags::Reset();
    return EvalNode(node);
}

long double ParserCore::EvalNode(const Tree* node)
{
    if (!node->Left || !node->Right)
        return ReadLeaf(node);
    char op = node->Text.size() == 1 ? node->Text[0] : '\0';
    if (op == '#')
        return ApplyFunction(node->Left->Text, EvalNode(node->Right.get()));
    // The right operand first: when both fail, its error is the one reported.
    long double right = EvalNode(node->Right.get());
    long double left = EvalNode(node->Left.get());
    switch (op) {
    case '+':
        return FpuFlags::Checked(left + right);
    case '-':
        return FpuFlags::Checked(left - right);
    case '*':
        if (left == 0 || right == 0)
            return 0;
        return FpuFlags::Checked(left * right);
    case '/':
        if (right == 0)
            throw Exception(kDivisionByZero);
        return FpuFlags::Checked(left / right);
    case 'm':
        return modl(left, right);
    case '^':
        return Power(left, right);
    default:
        return ReadOperand(node->Text);
    }
}

long double ParserCore::ApplyFunction(const AnsiString& code, long double argument) const
{
    if (code.size() != 1)
        return 0;
    switch (code[0]) {
    case 's':
        return FpuFlags::Checked(std::sin(FpuFlags::Checked(static_cast<double>(argument))));
    case 'c':
        return FpuFlags::Checked(std::cos(FpuFlags::Checked(static_cast<double>(argument))));
    case 't':
        return FpuFlags::Checked(std::tan(FpuFlags::Checked(static_cast<double>(argument))));
    case 'n':
        if (!(argument > 0))
            throw Exception(kLogOfNonPositive);
        return std::log(argument);
    case 'g': {
        if (!(argument > 0))
            throw Exception(kLogOfNonPositive);
        static const long double ln10 = std::log(10.0L);
        return std::log(argument) / ln10;
    }
    case 'r':
        return std::fabs(argument);
    default:
        return 0;
    }
}

long double ParserCore::Power(long double base, long double exponent) const
{
    double result = std::pow(static_cast<double>(base), static_cast<double>(exponent));
    if (FpuFlags::Raised(result)) {
        if (FPowerFailure == PowerFailure::ArithmeticError)
            FloatGuard::Check();
        FloatGuard::Clear();
        throw Exception(kPowerFailed);
    }
    return result;
}

long double ParserCore::modl(long double x, long double y)
{
    if (y == 0)
        return 0;
    bool flaggedBefore = FpuFlags::Raised();
    long double q = x / y;
    if (!flaggedBefore && FpuFlags::Raised(q))
        FloatGuard::Clear();  // a quotient beyond the range takes the exact way below
    if (std::fabs(q) < 2147483648.0L) {
        int32_t whole = static_cast<int32_t>(q);
        long double result = x - y * static_cast<long double>(whole);
        if (!flaggedBefore && FpuFlags::Raised(result)) {
            FloatGuard::Clear();
            return x;
        }
        return result;
    }
    // The quotient no longer fits the integer: the exact remainder, which has
    // the sign of x like the short way.
    return std::fmod(x, y);
}

long double ParserCore::Evaluate()
{
    InitLandDot();
    FpuFlags::Reset();
    long double v = EvalNode(&FTreeRoot);
    FErgebnisString = FormatValue(v);
    return v;
}

// ---- Number texts ----------------------------------------------------------

bool ParserCore::IsZahl(const AnsiString& s) const
{
    if (s.size() == 1) {
        switch (s[0]) {
        case 's': case 'c': case 't': case 'n': case 'g': case 'r':
            return true;
        default:
            break;
        }
    }
    for (std::string_view name : { "x", "a", "b", "c", "d", "pi", "e" }) {
        if (IsName(s, name))
            return true;
    }
    return IsLongDouble(s);
}

bool ParserCore::IsLongDouble(const AnsiString& s) const
{
    char separator = DecimalText::SystemSeparator();
    DecimalText::Reading r = DecimalText::ReadDouble(s, separator);
    if (!r.found || r.outOfRange)
        return false;
    return DecimalText::CanonicalText(static_cast<double>(r.value), separator) == s;
}

long double ParserCore::StrToLongDouble(const AnsiString& s)
{
    InitLandDot();
    return ReadOperand(s);
}

// Identifies what, besides its text, decides the value of a number or
// constant: the decimal symbol in use and the mark conversion.
uint16_t ParserCore::ReadingKey() const
{
    unsigned symbol = FLandDot.size() == 1 ? static_cast<unsigned char>(FLandDot[0]) : 256u;
    return static_cast<uint16_t>(1 + symbol + (FConvertAllColonsAndDots ? 512u : 0u));
}

long double ParserCore::ReadLeaf(const Tree* leaf)
{
    uint16_t key = ReadingKey();
    if (leaf->CachedFor == key)
        return leaf->CachedValue;
    static constexpr std::string_view variables[] = { "x", "a", "b", "c", "d" };
    const AnsiString* const values[] = { &FX, &FA, &FB, &FC, &FD };
    for (size_t i = 0; i < 5; ++i) {
        if (!IsName(leaf->Text, variables[i]))
            continue;
        // A variable whose text names another variable is followed afresh
        // each time; any other text is read once until it changes.
        const AnsiString& text = *values[i];
        bool chained = false;
        for (std::string_view name : variables)
            chained = chained || IsName(text, name);
        VariableReading& kept = FVariableReadings[i];
        if (!chained && kept.key == key && kept.text == text)
            return kept.value;
        long double v = ReadOperand(leaf->Text);
        if (!chained) {
            kept.text = text;
            kept.key = key;
            kept.value = v;
        }
        return v;
    }
    // Numbers and constants depend only on their text and the key.
    long double v = ReadOperand(leaf->Text);
    leaf->CachedValue = v;
    leaf->CachedFor = key;
    return v;
}

long double ParserCore::ReadOperand(const AnsiString& text) const
{
    // Variables are looked up by name at every evaluation; each check works
    // on the result of the one before, so a variable may name another one
    // or a constant.
    const AnsiString* current = &text;
    const AnsiString* const values[] = { &FX, &FA, &FB, &FC, &FD };
    static constexpr std::string_view names[] = { "x", "a", "b", "c", "d" };
    for (size_t i = 0; i < 5; ++i) {
        if (IsName(*current, names[i]))
            current = values[i];
    }
    AnsiString constant;
    if (IsName(*current, "pi")) {
        constant = "3" + FLandDot + "1415927";
        current = &constant;
    }
    if (IsName(*current, "e")) {
        constant = "2" + FLandDot + "7182818";
        current = &constant;
    }

    // Both marks (when asked for) and the decimal symbol in use become ".".
    bool singleLandDot = FLandDot.size() == 1;
    char landDot = singleLandDot ? FLandDot[0] : '\0';
    auto mapped = [&](char c) {
        return (FConvertAllColonsAndDots && c == ',') || (singleLandDot && c == landDot);
    };
    AnsiString rewritten;
    std::string_view reading = *current;
    for (char c : reading) {
        if (mapped(c) && c != '.') {
            rewritten = *current;
            for (char& r : rewritten) {
                if (mapped(r))
                    r = '.';
            }
            reading = rewritten;
            break;
        }
    }
    DecimalText::Reading r = DecimalText::ReadLongDouble(reading, '.');
    if (r.outOfRange)
        throw Exception(AnsiString(reading) + kNotANumber);
    return r.found ? r.value : 0;
}

AnsiString ParserCore::LongDoubleToStr(long double v)
{
    InitLandDot();
    return FormatValue(v);
}

AnsiString ParserCore::FormatValue(long double v) const
{
    AnsiString digits;
    int point = 0;
    DecimalText::SignificantDigits(v, FPrecision, digits, point);
    AnsiString out;
    if (point >= 1) {
        size_t whole = static_cast<size_t>(point);
        out.reserve(whole + FLandDot.size() + digits.size());
        if (whole <= digits.size()) {
            out.append(digits, 0, whole);
        } else {
            out += digits;
            out.append(whole - digits.size(), '0');
        }
        out += FLandDot;
        if (whole < digits.size())
            out.append(digits, whole, AnsiString::npos);
    } else {
        out = "0";
        out += FLandDot;
        out.append(static_cast<size_t>(-point), '0');
        out += digits;
    }
    out = TrimNumber(std::move(out));
    if (v < 0)
        out.insert(0, 1, '-');
    return out;
}

AnsiString ParserCore::EntferneNullenUndPunkte(const AnsiString& s)
{
    InitLandDot();
    return TrimNumber(s);
}

AnsiString ParserCore::TrimNumber(AnsiString s) const
{
    if (FLandDot.empty())
        return s;
    size_t mark = s.find(FLandDot);
    if (mark != AnsiString::npos) {
        size_t fractionBegin = mark + FLandDot.size();
        size_t end = s.size();
        while (end > fractionBegin && s[end - 1] == '0')
            --end;
        s.resize(end);
    }
    if (s.size() >= FLandDot.size() && s.compare(s.size() - FLandDot.size(), FLandDot.size(), FLandDot) == 0)
        s.resize(s.size() - FLandDot.size());
    if (s.compare(0, FLandDot.size(), FLandDot) == 0)
        s.insert(0, 1, '0');
    return s;
}
