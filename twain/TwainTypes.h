#pragma once
// The enumerations of the scanner component's published properties and the
// standard's codes they stand for.
#include "twain/TwainRecords.h"

enum TTransferType { xfNative = 0, xfMemory = 1, xfFile = 2 };

enum TImageType {
    ffTIFF,
    ffPICT,
    ffBMP,
    ffXBM,
    ffJFIF,
    ffFPX,
    ffTIFFMULTI,
    ffPNG,
    ffSPIFF,
    ffEXIF,
    ffUNKNOWN
};

enum TLanguageType {
    lgDutch,
    lgEnglish,
    lgFrench,
    lgGerman,
    lgAmerican,
    lgItalian,
    lgSpanish,
    lgNorwegian,
    lgFinnish,
    lgDanish,
    lgRussian,
    lgPortuguese,
    lgSwedish,
    lgPolish,
    lgGreek,
    lgTurkish
};

enum TCountryType {
    ctNetherlands,
    ctEngland,
    ctFrance,
    ctGermany,
    ctUSA,
    ctSpain,
    ctItaly,
    ctDenmark,
    ctFinland,
    ctNorway,
    ctRussia,
    ctPortugal,
    ctSweden,
    ctPoland,
    ctGreece,
    ctTurkey
};

// The standard's language (TWLG) and country (TWCY) codes, indexed by the
// enumerations' ordinals.
inline constexpr TW_UINT16 kLanguageCodes[] = { 1, 2, 5, 6, 13, 8, 11, 9, 4, 0, 78, 10, 12, 75, 63, 85 };
inline constexpr TW_UINT16 kCountryCodes[] = { 31, 6, 33, 49, 1, 34, 39, 45, 358, 47, 7, 351, 46, 48, 30, 90 };
static_assert(sizeof(kLanguageCodes) / sizeof(kLanguageCodes[0]) == lgTurkish + 1);
static_assert(sizeof(kCountryCodes) / sizeof(kCountryCodes[0]) == ctTurkey + 1);
