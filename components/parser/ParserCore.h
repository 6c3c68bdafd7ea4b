#pragma once
// The formula engine behind the parser component and the plotter's own
// parser: the text rewrites that normalise a formula, the tree built by
// splitting it at its operator of lowest precedence, its evaluation in
// extended precision, and the number texts in and out.
//
// Every parser class keeps one stored tree shared by all its instances and
// hands it to the engine; building a tree in one instance replaces the tree
// every instance of that class evaluates.
#include "components/parser/Tree.h"
#include "platform/rtl/AnsiString.h"
#include <cstdint>

class ParserCore {
public:
    // A formula whose tree would need more levels than this does not build:
    // building and evaluating recurse once per level.
    static constexpr int MaxTreeDepth = 10000;

    ParserCore(const ParserCore&) = delete;
    ParserCore& operator=(const ParserCore&) = delete;
    virtual ~ParserCore() = default;

    const AnsiString& ErgebnisString() const { return FErgebnisString; }
    const AnsiString& Expression() const { return FExpression; }
    void SetExpression(const AnsiString& value) { FExpression = value; }
    const AnsiString& X() const { return FX; }
    void SetX(const AnsiString& value) { FX = value; }
    const AnsiString& A() const { return FA; }
    void SetA(const AnsiString& value) { FA = value; }
    const AnsiString& B() const { return FB; }
    void SetB(const AnsiString& value) { FB = value; }
    const AnsiString& C() const { return FC; }
    void SetC(const AnsiString& value) { FC = value; }
    const AnsiString& D() const { return FD; }
    void SetD(const AnsiString& value) { FD = value; }
    const AnsiString& OverwriteDecimalSymbol() const { return FOverwriteDecimalSymbol; }
    void SetOverwriteDecimalSymbol(const AnsiString& value) { FOverwriteDecimalSymbol = value; }
    int32_t Precision() const { return FPrecision; }
    void SetPrecision(int32_t value) { FPrecision = value; }
    bool ConvertAllColonsAndDots() const { return FConvertAllColonsAndDots; }
    void SetConvertAllColonsAndDots(bool value) { FConvertAllColonsAndDots = value; }
    const AnsiString& LandDot() const { return FLandDot; }
    const AnsiString& WorkText() const { return FWorkText; }
    // The tree built last by any instance of this parser class.
    const Tree& TreeRoot() const { return FTreeRoot; }

    // Normalisation.
    void InitLandDot();
    AnsiString EntferneLeerzeichen(const AnsiString& s) const;
    AnsiString EntferneKlammern(const AnsiString* s) const;
    AnsiString WandleSinCosTanUm(const AnsiString& s) const;
    AnsiString Assiotiativitaet(const AnsiString& s) const;

    // The tree.
    void SplitLowest(AnsiString* left, AnsiString* right, AnsiString* op, const AnsiString& s) const;
    bool MakeTree(Tree* node, AnsiString s);
    bool CreateTree();
    long double Eval(const Tree* node);
    static long double modl(long double x, long double y);
    long double Evaluate();

    // Number texts.
    bool IsZahl(const AnsiString& s) const;
    long double StrToLongDouble(const AnsiString& s);
    AnsiString LongDoubleToStr(long double v);
    AnsiString EntferneNullenUndPunkte(const AnsiString& s);

protected:
    // How a failed power computation is reported.
    enum class PowerFailure {
        Message,          // "Kein negativer Ausdruck unter Wurzel erlaubt."
        ArithmeticError,  // the platform's arithmetic error itself
    };

    ParserCore(Tree& storedTree, PowerFailure powerFailure)
        : FTreeRoot(storedTree)
        , FPowerFailure(powerFailure)
    {
    }

    bool IsLongDouble(const AnsiString& s) const;
    // Empties the stored tree of this parser class (frees its nodes).
    void ReleaseTree() { FTreeRoot = Tree(); }

private:
    enum class NodeSplit { Failed, Leaf, Operator };
    bool MakeTreeAt(Tree* node, AnsiString s, int level);
    NodeSplit SplitNode(Tree* node, AnsiString s, int level) const;
    long double EvalNode(const Tree* node);
    long double ApplyFunction(const AnsiString& code, long double argument) const;
    long double Power(long double base, long double exponent) const;
    // The conversions without their InitLandDot, for use inside one evaluation.
    long double ReadOperand(const AnsiString& text) const;
    long double ReadLeaf(const Tree* leaf);
    uint16_t ReadingKey() const;
    AnsiString FormatValue(long double v) const;
    AnsiString TrimNumber(AnsiString s) const;

    AnsiString FErgebnisString;
    AnsiString FExpression;
    AnsiString FX;
    AnsiString FA;
    AnsiString FB;
    AnsiString FC;
    AnsiString FD;
    AnsiString FOverwriteDecimalSymbol;
    int32_t FPrecision { 8 };
    bool FConvertAllColonsAndDots { false };
    AnsiString FLandDot;
    AnsiString FWorkText;

    Tree& FTreeRoot;
    PowerFailure FPowerFailure;

    // The last value read for each variable text, so a variable used twice
    // in a formula is read once per new text.
    struct VariableReading {
        AnsiString text;
        uint16_t key { 0 };
        long double value { 0 };
    };
    VariableReading FVariableReadings[5];
};
