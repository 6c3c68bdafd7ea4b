// Input: one byte of settings, then the formula, then the texts of x, a, b,
// c and d, separated by newlines. Builds and evaluates the formula and runs
// the public text operations on it; every error must be one of the
// platform's exceptions.
#include "components/parser/TVelParser.h"
#include "platform/rtl/Exceptions.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t settings = data[0];
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string> lines;
    size_t start = 0;
    while (lines.size() < 6) {
        size_t end = rest.find('\n', start);
        lines.push_back(rest.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    lines.resize(6);

    TVelParser parser;
    parser.SetConvertAllColonsAndDots(settings & 1);
    static const char* const overrides[] = { "", ".", ",", "<>" };
    parser.SetOverwriteDecimalSymbol(overrides[(settings >> 1) & 3]);
    parser.SetPrecision(static_cast<int32_t>(settings >> 3) - 4);  // -4 to 27
    parser.SetExpression(lines[0]);
    parser.SetX(lines[1]);
    parser.SetA(lines[2]);
    parser.SetB(lines[3]);
    parser.SetC(lines[4]);
    parser.SetD(lines[5]);

    try {
        if (parser.CreateTree()) {
            long double v = parser.Evaluate();
            parser.LongDoubleToStr(v);
            (void)parser.ErgebnisString();
        }
    } catch (const Exception&) {
    }
    try {
        parser.StrToLongDouble(lines[1]);
    } catch (const Exception&) {
    }
    parser.IsZahl(lines[0]);
    parser.Assiotiativitaet(lines[0]);
    parser.EntferneNullenUndPunkte(lines[0]);
    AnsiString left, right, op;
    parser.SplitLowest(&left, &right, &op, lines[0]);
    try {
        TVelParser::modl(parser.StrToLongDouble(lines[2]), parser.StrToLongDouble(lines[3]));
    } catch (const Exception&) {
    }
    return 0;
}
