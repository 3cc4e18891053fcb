// Multilingual calendar and number words, indexed [TLanguage][item].
//
// Items keep their natural numbering: MonthShort/MonthLong[lang][1..12],
// WeekDayShort/WeekDayLong[lang][1..7] with 1 = Monday, NumWords[lang][0..12],
// LanguageID[lang][named language]. Index 0 of the month and weekday tables
// is an empty placeholder. The lgUnknown row holds placeholders ("M01",
// "D01", "N00", "???"). The texts are exactly the library's, odd ones
// included: German "Jänner", French "celui" for one, French "février " with a
// trailing blank and Spanish "mai" for May in the long month names.
//
// Maximum lengths (the original 8-bit storage): month short 4, month long 10,
// weekday short 3, weekday long 10, number words 6, language names 15,
// ISO 639 codes 2 and 3.
#pragma once

#include <array>
#include <string_view>

#include "zel/base/types.h"

namespace zel {

// One entry of a language table: a view of constant text.
using TLangText = std::u16string_view;
inline constexpr size_t kLanguageCount = 5;  // Number of TLanguage values, lgUnknown included.

// A table of N items for each language, indexed [TLanguage][item].
template <size_t N>
using TLanguageTable = std::array<std::array<TLangText, N>, kLanguageCount>;

// Short month names, [language][1..12].
inline constexpr TLanguageTable<13> MonthShort = {{
    {u"", u"M01", u"M02", u"M03", u"M04", u"M05", u"M06", u"M07", u"M08", u"M09", u"M10", u"M11",
     u"M12"},
    {u"", u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov",
     u"Dec"},
    {u"", u"Jän", u"Feb", u"Mär", u"Apr", u"Mai", u"Jun", u"Jul", u"Aug", u"Sep", u"Okt", u"Nov",
     u"Dez"},
    {u"", u"jan", u"fév", u"mar", u"avr", u"mai", u"juin", u"jul", u"aoû", u"sep", u"oct", u"nov",
     u"déc"},
    {u"", u"Ene", u"Feb", u"Mar", u"Abr", u"May", u"Jun", u"Jul", u"Ago", u"Sep", u"Oct", u"Nov",
     u"Dic"},
}};

// Full month names, [language][1..12].
inline constexpr TLanguageTable<13> MonthLong = {{
    {u"", u"M01", u"M02", u"M03", u"M04", u"M05", u"M06", u"M07", u"M08", u"M09", u"M10", u"M11",
     u"M12"},
    {u"", u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
     u"September", u"October", u"November", u"December"},
    {u"", u"Jänner", u"Februar", u"März", u"April", u"Mai", u"Juni", u"Juli", u"August",
     u"September", u"Oktober", u"November", u"Dezember"},
    {u"", u"janvier", u"février ", u"mars", u"avril", u"mai", u"juin", u"juillet", u"août",
     u"septembre", u"octobre", u"novembre", u"décembre"},
    {u"", u"enero", u"febrero", u"marzo", u"abril", u"mai", u"junio", u"julio", u"agosto",
     u"septiembre", u"octubre", u"noviembre", u"diciembre"},
}};

// Short weekday names, [language][1..7], 1 = Monday.
inline constexpr TLanguageTable<8> WeekDayShort = {{
    {u"", u"D01", u"D02", u"D03", u"D04", u"D05", u"D06", u"D07"},
    {u"", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat", u"Sun"},
    {u"", u"Mo", u"Di", u"Mi", u"Do", u"Fr", u"Sa", u"So"},
    {u"", u"lun", u"mar", u"mer", u"jeu", u"ven", u"sam", u"dim"},
    {u"", u"lun", u"mar", u"mie", u"jue", u"vie", u"sab", u"dom"},
}};

// Full weekday names, [language][1..7], 1 = Monday.
inline constexpr TLanguageTable<8> WeekDayLong = {{
    {u"", u"D01", u"D02", u"D03", u"D04", u"D05", u"D06", u"D07"},
    {u"", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday", u"Sunday"},
    {u"", u"Montag", u"Dienstag", u"Mittwoch", u"Donnerstag", u"Freitag", u"Samstag", u"Sonntag"},
    {u"", u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi", u"dimanche"},
    {u"", u"lunes", u"martes", u"miércoles", u"jueves", u"viernes", u"sábado", u"domingo"},
}};

// Number words, [language][0..12].
inline constexpr TLanguageTable<13> NumWords = {{
    {u"N00", u"N01", u"N02", u"N03", u"N04", u"N05", u"N06", u"N07", u"N08", u"N09", u"N10", u"N11",
     u"N12"},
    {u"zero", u"one", u"two", u"three", u"four", u"five", u"six", u"seven", u"eight", u"nine",
     u"ten", u"eleven", u"twelve"},
    {u"null", u"eins", u"zwei", u"drei", u"vier", u"fünf", u"sechs", u"sieben", u"acht", u"neun",
     u"zehn", u"elf", u"zwölf"},
    {u"zéro", u"celui", u"deux", u"trois", u"quatre", u"cinq", u"six", u"sept", u"huit", u"neuf",
     u"dix", u"onze", u"douze"},
    {u"cero", u"uno", u"dos", u"tres", u"cuatro", u"cinco", u"seis", u"siete", u"ocho", u"nueve",
     u"diez", u"once", u"doce"},
}};

// LanguageID[in language][language named].
inline constexpr TLanguageTable<kLanguageCount> LanguageID = {{
    {u"???", u"???", u"???", u"???", u"???"},
    {u"???", u"English", u"German", u"French", u"Spanish"},
    {u"???", u"englisch", u"deutsch", u"französisch", u"spanisch"},
    {u"???", u"anglais", u"allemand", u"français", u"espagnol"},
    {u"???", u"inglés", u"alemán", u"francés", u"español"},
}};

// Two-letter ISO 639-1 code of each TLanguage ("??" for lgUnknown).
inline constexpr std::array<TLangText, kLanguageCount> ISO639_2Char = {u"??", u"en", u"de", u"fr",
                                                                       u"es"};
// Three-letter ISO 639-2 code of each TLanguage ("???" for lgUnknown).
inline constexpr std::array<TLangText, kLanguageCount> ISO639_3Char = {u"???", u"eng", u"ger",
                                                                       u"fre", u"spa"};

}  // namespace zel
