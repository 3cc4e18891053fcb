#include "zel/colors/colornames.h"

#include <algorithm>

#include "zel/colors/internal/colormath.h"

namespace zel {

// clang-format off
const std::array<TColor, kZELColorCount> AllZELColors = {
    0x00000000u, 0x00000080u, 0x00008000u, 0x00008080u, 0x00800000u, 0x00800080u, 0x00808000u, 0x00808080u,
    0x00C0C0C0u, 0x000000FFu, 0x0000FF00u, 0x0000FFFFu, 0x00FF0000u, 0x00FF00FFu, 0x00FFFF00u, 0x00FFFFFFu,
    0x00C0DCC0u, 0x00F0FBFFu, 0x00A4A0A0u, 0x00FFF8F0u, 0x00D7EBFAu, 0x00DBEFFFu, 0x00CCDFEEu, 0x00B0C0CDu,
    0x0078838Bu, 0x00D4FF7Fu, 0x00D4FF7Fu, 0x00C6EE76u, 0x00AACD66u, 0x00748B45u, 0x00FFFFF0u, 0x00FFFFF0u,
    0x00EEEEE0u, 0x00CDCDC1u, 0x008B8B83u, 0x00DCF5F5u, 0x00C4E4FFu, 0x00C4E4FFu, 0x00B7D5EEu, 0x009EB7CDu,
    0x006B7D8Bu, 0x00CDEBFFu, 0x00FF0000u, 0x00EE0000u, 0x00CD0000u, 0x008B0000u, 0x00E22B8Au, 0x00778899u,
    0x002A2AA5u, 0x004040FFu, 0x003B3BEEu, 0x003333CDu, 0x0023238Bu, 0x0087B8DEu, 0x009BD3FFu, 0x0091C5EEu,
    0x007DAACDu, 0x0055738Bu, 0x00A09E5Fu, 0x00FFF598u, 0x00EEE58Eu, 0x00CDC57Au, 0x008B8653u, 0x00222222u,
    0x0000FF7Fu, 0x0000FF7Fu, 0x0000EE76u, 0x0000CD66u, 0x00008B45u, 0x001E69D2u, 0x00247FFFu, 0x002176EEu,
    0x001D66CDu, 0x0013458Bu, 0x00507FFFu, 0x005672FFu, 0x00506AEEu, 0x00455BCDu, 0x002F3E8Bu, 0x00ED9564u,
    0x00DCF8FFu, 0x00DCF8FFu, 0x00CDE8EEu, 0x00B1C8CDu, 0x0078888Bu, 0x003C14DCu, 0x00FFFF00u, 0x00FFFF00u,
    0x00EEEE00u, 0x00CDCD00u, 0x008B8B00u, 0x008B0000u, 0x008B8B00u, 0x000B86B8u, 0x000FB9FFu, 0x000EADEEu,
    0x000C95CDu, 0x0008658Bu, 0x00A9A9A9u, 0x00006400u, 0x006BB7BDu, 0x008B008Bu, 0x002F6B55u, 0x0070FFCAu,
    0x0068EEBCu, 0x005ACDA2u, 0x003D8B6Eu, 0x00008CFFu, 0x00007FFFu, 0x000076EEu, 0x000066CDu, 0x0000458Bu,
    0x00CC3299u, 0x00FF3EBFu, 0x00EE3AB2u, 0x00CD329Au, 0x008B2268u, 0x0000008Bu, 0x007A96E9u, 0x008FBC8Fu,
    0x00C1FFC1u, 0x00B4EEB4u, 0x009BCD9Bu, 0x00698B69u, 0x008B3D48u, 0x004F4F2Fu, 0x00FFFF97u, 0x00EEEE8Du,
    0x00CDCD79u, 0x008B8B52u, 0x00D1CE00u, 0x00D30094u, 0x009314FFu, 0x009314FFu, 0x008912EEu, 0x007610CDu,
    0x00500A8Bu, 0x00FFBF00u, 0x00FFBF00u, 0x00EEB200u, 0x00CD9A00u, 0x008B6800u, 0x00696969u, 0x00FF901Eu,
    0x00FF901Eu, 0x00EE861Cu, 0x00CD7418u, 0x008B4E10u, 0x002222B2u, 0x003030FFu, 0x002C2CEEu, 0x002626CDu,
    0x001A1A8Bu, 0x00F0FAFFu, 0x00228B22u, 0x00DCDCDCu, 0x00FFF8F8u, 0x0000D7FFu, 0x0000D7FFu, 0x0000C9EEu,
    0x0000ADCDu, 0x0000758Bu, 0x0020A5DAu, 0x0025C1FFu, 0x0022B4EEu, 0x001D9BCDu, 0x0014698Bu, 0x0000FF00u,
    0x0000EE00u, 0x0000CD00u, 0x00008B00u, 0x002FFFADu, 0x00F0FFF0u, 0x00F0FFF0u, 0x00E0EEE0u, 0x00C1CDC1u,
    0x00838B83u, 0x00B469FFu, 0x00B46EFFu, 0x00A76AEEu, 0x009060CDu, 0x00623A8Bu, 0x005C5CCDu, 0x006A6AFFu,
    0x006363EEu, 0x005555CDu, 0x003A3A8Bu, 0x0082004Bu, 0x00F0FFFFu, 0x00F0FFFFu, 0x00E0EEEEu, 0x00C1CDCDu,
    0x00838B8Bu, 0x008CE6F0u, 0x008FF6FFu, 0x0085E6EEu, 0x0073C6CDu, 0x004E868Bu, 0x00FAE6E6u, 0x00F5F0FFu,
    0x00F5F0FFu, 0x00E5E0EEu, 0x00C5C1CDu, 0x0086838Bu, 0x0000FC7Cu, 0x00CDFAFFu, 0x00CDFAFFu, 0x00BFE9EEu,
    0x00A5C9CDu, 0x0070898Bu, 0x00E6D8ADu, 0x00FFEFBFu, 0x00EEDFB2u, 0x00CDC09Au, 0x008B8368u, 0x008080F0u,
    0x00FFFFE0u, 0x00FFFFE0u, 0x00EEEED1u, 0x00CDCDB4u, 0x008B8B7Au, 0x0082DDEEu, 0x008BECFFu, 0x0082DCEEu,
    0x0070BECDu, 0x004C818Bu, 0x00D2FAFAu, 0x00D3D3D3u, 0x0090EE90u, 0x00C1B6FFu, 0x00B9AEFFu, 0x00ADA2EEu,
    0x00958CCDu, 0x00655F8Bu, 0x007AA0FFu, 0x007AA0FFu, 0x007295EEu, 0x006281CDu, 0x0042578Bu, 0x00AAB220u,
    0x00FACE87u, 0x00FFE2B0u, 0x00EED3A4u, 0x00CDB68Du, 0x008B7B60u, 0x00FF7084u, 0x00998877u, 0x00DEC4B0u,
    0x00FFE1CAu, 0x00EED2BCu, 0x00CDB5A2u, 0x008B7B6Eu, 0x00E0FFFFu, 0x00E0FFFFu, 0x00D1EEEEu, 0x00B4CDCDu,
    0x007A8B8Bu, 0x0032CD32u, 0x00E6F0FAu, 0x00FF00FFu, 0x00FF00FFu, 0x00EE00EEu, 0x00CD00CDu, 0x008B008Bu,
    0x00B334FFu, 0x00A730EEu, 0x009029CDu, 0x00621C8Bu, 0x00AACD66u, 0x00CD0000u, 0x00D355BAu, 0x00FF66E0u,
    0x00EE5FD1u, 0x00CD52B4u, 0x008B377Au, 0x00DB7093u, 0x00FF82ABu, 0x00EE799Fu, 0x00CD6889u, 0x008B475Du,
    0x0071B33Cu, 0x00EE687Bu, 0x009AFA00u, 0x00CCD148u, 0x008515C7u, 0x00701919u, 0x00FAFFF5u, 0x00E1E4FFu,
    0x00E1E4FFu, 0x00D2D5EEu, 0x00B5B7CDu, 0x007B7D8Bu, 0x00B5E4FFu, 0x00ADDEFFu, 0x00ADDEFFu, 0x00A1CFEEu,
    0x008BB3CDu, 0x005E798Bu, 0x00800000u, 0x00E6F5FDu, 0x00238E6Bu, 0x003EFFC0u, 0x003AEEB3u, 0x0032CD9Au,
    0x00228B69u, 0x0000A5FFu, 0x0000A5FFu, 0x00009AEEu, 0x000085CDu, 0x00005A8Bu, 0x000045FFu, 0x000045FFu,
    0x000040EEu, 0x000037CDu, 0x0000258Bu, 0x00D670DAu, 0x00FA83FFu, 0x00E97AEEu, 0x00C969CDu, 0x0089478Bu,
    0x00AAE8EEu, 0x0098FB98u, 0x009AFF9Au, 0x0090EE90u, 0x007CCD7Cu, 0x00548B54u, 0x00EEEEAFu, 0x00FFFFBBu,
    0x00EEEEAEu, 0x00CDCD96u, 0x008B8B66u, 0x009370DBu, 0x00AB82FFu, 0x009F79EEu, 0x008968CDu, 0x005D478Bu,
    0x00D5EFFFu, 0x00B9DAFFu, 0x00B9DAFFu, 0x00ADCBEEu, 0x0095AFCDu, 0x0065778Bu, 0x003F85CDu, 0x00CBC0FFu,
    0x00C5B5FFu, 0x00B8A9EEu, 0x009E91CDu, 0x006C638Bu, 0x00DDA0DDu, 0x00FFBBFFu, 0x00EEAEEEu, 0x00CD96CDu,
    0x008B668Bu, 0x00E6E0B0u, 0x00FF309Bu, 0x00EE2C91u, 0x00CD267Du, 0x008B1A55u, 0x00993366u, 0x000000FFu,
    0x000000EEu, 0x000000CDu, 0x0000008Bu, 0x008F8FBCu, 0x00C1C1FFu, 0x00B4B4EEu, 0x009B9BCDu, 0x0069698Bu,
    0x00E16941u, 0x00FF7648u, 0x00EE6E43u, 0x00CD5F3Au, 0x008B4027u, 0x0013458Bu, 0x007280FAu, 0x00698CFFu,
    0x006282EEu, 0x005470CDu, 0x00394C8Bu, 0x0060A4F4u, 0x00578B2Eu, 0x009FFF54u, 0x0094EE4Eu, 0x0080CD43u,
    0x00578B2Eu, 0x00EEF5FFu, 0x00EEF5FFu, 0x00DEE5EEu, 0x00BFC5CDu, 0x0082868Bu, 0x002D52A0u, 0x004782FFu,
    0x004279EEu, 0x003968CDu, 0x0026478Bu, 0x00F0CAA6u, 0x00EBCE87u, 0x00EEC07Eu, 0x00CDA66Cu, 0x008B704Au,
    0x00CD5A6Au, 0x00FF6F83u, 0x00EE677Au, 0x00CD5969u, 0x008B3C47u, 0x00908070u, 0x00FFE2C6u, 0x00EED3B9u,
    0x00CDB69Fu, 0x008B7B6Cu, 0x00FAFAFFu, 0x00FAFAFFu, 0x00E9E9EEu, 0x00C9C9CDu, 0x0089898Bu, 0x007FFF00u,
    0x007FFF00u, 0x0076EE00u, 0x0066CD00u, 0x00458B00u, 0x00B48246u, 0x00FFB863u, 0x00EEAC5Cu, 0x00CD944Fu,
    0x008B6436u, 0x008CB4D2u, 0x004FA5FFu, 0x00499AEEu, 0x003F85CDu, 0x002B5A8Bu, 0x00D8BFD8u, 0x00FFE1FFu,
    0x00EED2EEu, 0x00CDB5CDu, 0x008B7B8Bu, 0x004763FFu, 0x004763FFu, 0x00425CEEu, 0x00394FCDu, 0x0026368Bu,
    0x00D0E040u, 0x00FFF500u, 0x00EEE500u, 0x00CDC500u, 0x008B8600u, 0x00EE82EEu, 0x009020D0u, 0x00963EFFu,
    0x008C3AEEu, 0x007832CDu, 0x0052228Bu, 0x00808080u, 0x00008000u, 0x00000080u, 0x00800080u, 0x00B3DEF5u,
    0x00BAE7FFu, 0x00AED8EEu, 0x0096BACDu, 0x00667E8Bu, 0x00F5F5F5u, 0x0000FFFFu, 0x0000EEEEu, 0x0000CDCDu,
    0x00008B8Bu, 0x0032CD9Au,
};

const std::array<std::u16string_view, kZELColorCount> AllZELColorNames = {
    u"Black", u"Maroon", u"Green", u"Olive", u"Navy", u"Purple", u"Teal", u"Gray", u"Silver",
    u"Red", u"Lime", u"Yellow", u"Blue", u"Fuchsia", u"Aqua", u"White", u"MoneyGreen", u"Cream",
    u"MedGray", u"AliceBlue", u"AntiqueWhite", u"AntiqueWhite1", u"AntiqueWhite2",
    u"AntiqueWhite3", u"AntiqueWhite4", u"Aquamarine", u"Aquamarine1", u"Aquamarine2",
    u"Aquamarine3", u"Aquamarine4", u"Azure", u"Azure1", u"Azure2", u"Azure3", u"Azure4",
    u"Beige", u"Bisque", u"Bisque1", u"Bisque2", u"Bisque3", u"Bisque4", u"BlanchedAlmond",
    u"Blue1", u"Blue2", u"Blue3", u"Blue4", u"BlueViolet", u"Bronze", u"Brown", u"Brown1",
    u"Brown2", u"Brown3", u"Brown4", u"BurlyWood", u"BurlyWood1", u"BurlyWood2", u"BurlyWood3",
    u"BurlyWood4", u"CadetBlue", u"CadetBlue1", u"CadetBlue2", u"CadetBlue3", u"CadetBlue4",
    u"Carbon", u"Chartreuse", u"Chartreuse1", u"Chartreuse2", u"Chartreuse3", u"Chartreuse4",
    u"Chocolate", u"Chocolate1", u"Chocolate2", u"Chocolate3", u"Chocolate4", u"Coral", u"Coral1",
    u"Coral2", u"Coral3", u"Coral4", u"CornflowerBlue", u"CornSilk", u"CornSilk1", u"CornSilk2",
    u"CornSilk3", u"CornSilk4", u"Crimson", u"Cyan", u"Cyan1", u"Cyan2", u"Cyan3", u"Cyan4",
    u"DarkBlue", u"DarkCyan", u"DarkGoldenRod", u"DarkGoldenRod1", u"DarkGoldenRod2",
    u"DarkGoldenRod3", u"DarkGoldenRod4", u"DarkGray", u"DarkGreen", u"DarkKhaki", u"DarkMagenta",
    u"DarkOliveGreen", u"DarkOliveGreen1", u"DarkOliveGreen2", u"DarkOliveGreen3",
    u"DarkOliveGreen4", u"DarkOrange", u"DarkOrange1", u"DarkOrange2", u"DarkOrange3",
    u"DarkOrange4", u"DarkOrchid", u"DarkOrchid1", u"DarkOrchid2", u"DarkOrchid3", u"DarkOrchid4",
    u"DarkRed", u"DarkSalmon", u"DarkSeaGreen", u"DarkSeaGreen1", u"DarkSeaGreen2",
    u"DarkSeaGreen3", u"DarkSeaGreen4", u"DarkSlateBlue", u"DarkSlateGray", u"DarkSlateGray1",
    u"DarkSlateGray2", u"DarkSlateGray3", u"DarkSlateGray4", u"DarkTurquoise", u"DarkViolet",
    u"DeepPink", u"DeepPink1", u"DeepPink2", u"DeepPink3", u"DeepPink4", u"DeepSkyBlue",
    u"DeepSkyBlue1", u"DeepSkyBlue2", u"DeepSkyBlue3", u"DeepSkyBlue4", u"DimGray", u"DodgerBlue",
    u"DodgerBlue1", u"DodgerBlue2", u"DodgerBlue3", u"DodgerBlue4", u"FireBrick", u"FireBrick1",
    u"FireBrick2", u"FireBrick3", u"FireBrick4", u"FloralWhite", u"ForestGreen", u"Gainsboro",
    u"GhostWhite", u"Gold", u"Gold1", u"Gold2", u"Gold3", u"Gold4", u"GoldenRod", u"GoldenRod1",
    u"GoldenRod2", u"GoldenRod3", u"GoldenRod4", u"Green1", u"Green2", u"Green3", u"Green4",
    u"GreenYellow", u"HoneyDew", u"HoneyDew1", u"HoneyDew2", u"HoneyDew3", u"HoneyDew4",
    u"HotPink", u"HotPink1", u"HotPink2", u"HotPink3", u"HotPink4", u"IndianRed", u"IndianRed1",
    u"IndianRed2", u"IndianRed3", u"IndianRed4", u"Indigo", u"Ivory", u"Ivory1", u"Ivory2",
    u"Ivory3", u"Ivory4", u"Khaki", u"Khaki1", u"Khaki2", u"Khaki3", u"Khaki4", u"Lavender",
    u"LavenderBlush", u"LavenderBlush1", u"LavenderBlush2", u"LavenderBlush3", u"LavenderBlush4",
    u"LawnGreen", u"LemonChiffon", u"LemonChiffon1", u"LemonChiffon2", u"LemonChiffon3",
    u"LemonChiffon4", u"LightBlue", u"LightBlue1", u"LightBlue2", u"LightBlue3", u"LightBlue4",
    u"LightCoral", u"LightCyan", u"LightCyan1", u"LightCyan2", u"LightCyan3", u"LightCyan4",
    u"LightGoldenRod", u"LightGoldenRod1", u"LightGoldenRod2", u"LightGoldenRod3",
    u"LightGoldenRod4", u"LightGoldenRodYellow", u"LightGray", u"LightGreen", u"LightPink",
    u"LightPink1", u"LightPink2", u"LightPink3", u"LightPink4", u"LightSalmon", u"LightSalmon1",
    u"LightSalmon2", u"LightSalmon3", u"LightSalmon4", u"LightSeaGreen", u"LightSkyBlue",
    u"LightSkyBlue1", u"LightSkyBlue2", u"LightSkyBlue3", u"LightSkyBlue4", u"LightSlateBlue",
    u"LightSlateGray", u"LightSteelBlue", u"LightSteelBlue1", u"LightSteelBlue2",
    u"LightSteelBlue3", u"LightSteelBlue4", u"LightYellow", u"LightYellow1", u"LightYellow2",
    u"LightYellow3", u"LightYellow4", u"LimeGreen", u"Linen", u"Magenta", u"Magenta1",
    u"Magenta2", u"Magenta3", u"Magenta4", u"Maroon1", u"Maroon2", u"Maroon3", u"Maroon4",
    u"MediumAquamarine", u"MediumBlue", u"MediumOrchid", u"MediumOrchid1", u"MediumOrchid2",
    u"MediumOrchid3", u"MediumOrchid4", u"MediumPurple", u"MediumPurple1", u"MediumPurple2",
    u"MediumPurple3", u"MediumPurple4", u"MediumSeaGreen", u"MediumSlateBlue",
    u"MediumSpringGreen", u"MediumTurquoise", u"MediumVioletRed", u"MidnightBlue", u"MintCream",
    u"MistyRose", u"MistyRose1", u"MistyRose2", u"MistyRose3", u"MistyRose4", u"Moccasin",
    u"NavajoWhite", u"NavajoWhite1", u"NavajoWhite2", u"NavajoWhite3", u"NavajoWhite4",
    u"NavyBlue", u"OldLace", u"OliveDrab", u"OliveDrab1", u"OliveDrab2", u"OliveDrab3",
    u"OliveDrab4", u"Orange", u"Orange1", u"Orange2", u"Orange3", u"Orange4", u"OrangeRed",
    u"OrangeRed1", u"OrangeRed2", u"OrangeRed3", u"OrangeRed4", u"Orchid", u"Orchid1", u"Orchid2",
    u"Orchid3", u"Orchid4", u"PaleGoldenRod", u"PaleGreen", u"PaleGreen1", u"PaleGreen2",
    u"PaleGreen3", u"PaleGreen4", u"PaleTurquoise", u"PaleTurquoise1", u"PaleTurquoise2",
    u"PaleTurquoise3", u"PaleTurquoise4", u"PaleVioletRed", u"PaleVioletRed1", u"PaleVioletRed2",
    u"PaleVioletRed3", u"PaleVioletRed4", u"PapayaWhip", u"PeachPuff", u"PeachPuff1",
    u"PeachPuff2", u"PeachPuff3", u"PeachPuff4", u"Peru", u"Pink", u"Pink1", u"Pink2", u"Pink3",
    u"Pink4", u"Plum", u"Plum1", u"Plum2", u"Plum3", u"Plum4", u"PowderBlue", u"Purple1",
    u"Purple2", u"Purple3", u"Purple4", u"RebeccaPurple", u"Red1", u"Red2", u"Red3", u"Red4",
    u"RosyBrown", u"RosyBrown1", u"RosyBrown2", u"RosyBrown3", u"RosyBrown4", u"RoyalBlue",
    u"RoyalBlue1", u"RoyalBlue2", u"RoyalBlue3", u"RoyalBlue4", u"SaddleBrown", u"Salmon",
    u"Salmon1", u"Salmon2", u"Salmon3", u"Salmon4", u"SandyBrown", u"SeaGreen", u"SeaGreen1",
    u"SeaGreen2", u"SeaGreen3", u"SeaGreen4", u"SeaShell", u"SeaShell1", u"SeaShell2",
    u"SeaShell3", u"SeaShell4", u"Sienna", u"Sienna1", u"Sienna2", u"Sienna3", u"Sienna4",
    u"SkyBlue", u"SkyBlue1", u"SkyBlue2", u"SkyBlue3", u"SkyBlue4", u"SlateBlue", u"SlateBlue1",
    u"SlateBlue2", u"SlateBlue3", u"SlateBlue4", u"SlateGray", u"SlateGray1", u"SlateGray2",
    u"SlateGray3", u"SlateGray4", u"Snow", u"Snow1", u"Snow2", u"Snow3", u"Snow4", u"SpringGreen",
    u"SpringGreen1", u"SpringGreen2", u"SpringGreen3", u"SpringGreen4", u"SteelBlue",
    u"SteelBlue1", u"SteelBlue2", u"SteelBlue3", u"SteelBlue4", u"Tan", u"Tan1", u"Tan2", u"Tan3",
    u"Tan4", u"Thistle", u"Thistle1", u"Thistle2", u"Thistle3", u"Thistle4", u"Tomato",
    u"Tomato1", u"Tomato2", u"Tomato3", u"Tomato4", u"Turquoise", u"Turquoise1", u"Turquoise2",
    u"Turquoise3", u"Turquoise4", u"Violet", u"VioletRed", u"VioletRed1", u"VioletRed2",
    u"VioletRed3", u"VioletRed4", u"WebGray", u"WebGreen", u"WebMaroon", u"WebPurple", u"Wheat",
    u"Wheat1", u"Wheat2", u"Wheat3", u"Wheat4", u"WhiteSmoke", u"Yellow1", u"Yellow2", u"Yellow3",
    u"Yellow4", u"YellowGreen",
};

const std::array<TColor, kX11ColorCount> X11Colors = {
    0x00FFF8F0u, 0x00D7EBFAu, 0x00FFFF00u, 0x00D4FF7Fu, 0x00FFFFF0u, 0x00DCF5F5u, 0x00C4E4FFu, 0x00000000u,
    0x00CDEBFFu, 0x00FF0000u, 0x00E22B8Au, 0x002A2AA5u, 0x0087B8DEu, 0x00A09E5Fu, 0x0000FF7Fu, 0x001E69D2u,
    0x00507FFFu, 0x00ED9564u, 0x00DCF8FFu, 0x003C14DCu, 0x00FFFF00u, 0x008B0000u, 0x008B8B00u, 0x000B86B8u,
    0x00A9A9A9u, 0x00006400u, 0x006BB7BDu, 0x008B008Bu, 0x002F6B55u, 0x00008CFFu, 0x00CC3299u, 0x0000008Bu,
    0x007A96E9u, 0x008FBC8Fu, 0x008B3D48u, 0x004F4F2Fu, 0x00D1CE00u, 0x00D30094u, 0x009314FFu, 0x00FFBF00u,
    0x00696969u, 0x00FF901Eu, 0x002222B2u, 0x00F0FAFFu, 0x00228B22u, 0x00FF00FFu, 0x00DCDCDCu, 0x00FFF8F8u,
    0x0000D7FFu, 0x0020A5DAu, 0x00808080u, 0x00008000u, 0x002FFFADu, 0x00F0FFF0u, 0x00B469FFu, 0x005C5CCDu,
    0x0082004Bu, 0x00F0FFFFu, 0x008CE6F0u, 0x00FAE6E6u, 0x00F5F0FFu, 0x0000FC7Cu, 0x00CDFAFFu, 0x00E6D8ADu,
    0x008080F0u, 0x00FFFFE0u, 0x0082DDEEu, 0x00D3D3D3u, 0x0090EE90u, 0x00C1B6FFu, 0x007AA0FFu, 0x00AAB220u,
    0x00FACE87u, 0x00FF7084u, 0x00998877u, 0x00DEC4B0u, 0x00E0FFFFu, 0x0000FF00u, 0x0032CD32u, 0x00E6F0FAu,
    0x00FF00FFu, 0x00000080u, 0x00AACD66u, 0x00CD0000u, 0x00D355BAu, 0x00DB7093u, 0x0071B33Cu, 0x00EE687Bu,
    0x009AFA00u, 0x00CCD148u, 0x008515C7u, 0x00701919u, 0x00FAFFF5u, 0x00E1E4FFu, 0x00B5E4FFu, 0x00ADDEFFu,
    0x00800000u, 0x00E6F5FDu, 0x00008080u, 0x00238E6Bu, 0x0000A5FFu, 0x000045FFu, 0x00D670DAu, 0x00AAE8EEu,
    0x0098FB98u, 0x00EEEEAFu, 0x009370DBu, 0x00D5EFFFu, 0x00B9DAFFu, 0x003F85CDu, 0x00CBC0FFu, 0x00DDA0DDu,
    0x00E6E0B0u, 0x00800080u, 0x00993366u, 0x000000FFu, 0x008F8FBCu, 0x00E16941u, 0x0013458Bu, 0x007280FAu,
    0x0060A4F4u, 0x00578B2Eu, 0x00EEF5FFu, 0x002D52A0u, 0x00C0C0C0u, 0x00F0CAA6u, 0x00CD5A6Au, 0x00908070u,
    0x00FAFAFFu, 0x007FFF00u, 0x00B48246u, 0x008CB4D2u, 0x00D8BFD8u, 0x004763FFu, 0x00D0E040u, 0x00EE82EEu,
    0x00808080u, 0x00008000u, 0x00000080u, 0x00800080u, 0x00B3DEF5u, 0x00FFFFFFu, 0x00F5F5F5u, 0x0000FFFFu,
    0x0032CD9Au,
};
const std::array<TColor, kPredefinedColorCount> PredefinedColors = {
    0x00000000u, 0x00000080u, 0x00008000u, 0x00008080u, 0x00800000u, 0x00800080u, 0x00808000u,
    0x00808080u, 0x00C0C0C0u, 0x000000FFu, 0x0000FF00u, 0x0000FFFFu, 0x00FF0000u, 0x00FF00FFu,
    0x00FFFF00u, 0x00FFFFFFu, 0x00C0DCC0u, 0x00F0CAA6u, 0x00F0FBFFu, 0x00A4A0A0u,
    0xFF00000Au, 0xFF000002u, 0xFF00000Cu, 0xFF000001u, 0xFF00000Fu, 0xFF000014u, 0xFF000010u,
    0xFF000012u, 0xFF000009u, 0x20000000u, 0xFF000011u, 0xFF00000Du, 0xFF00000Eu, 0xFF00000Bu,
    0xFF000003u, 0xFF000013u, 0xFF000018u, 0xFF000017u, 0xFF000004u, 0xFF000007u, 0x1FFFFFFFu,
    0xFF000000u, 0xFF000015u, 0xFF000016u, 0xFF000005u, 0xFF000006u, 0xFF000008u,
};

const std::array<std::u16string_view, kPredefinedColorCount> PredefinedColorNames = {
    u"Black", u"Maroon", u"Green", u"Olive", u"Navy", u"Purple", u"Teal", u"Gray", u"Silver",
    u"Red", u"Lime", u"Yellow", u"Blue", u"Fuchsia", u"Aqua", u"White", u"MoneyGreen",
    u"SkyBlue", u"Cream", u"MedGray", u"ActiveBorder", u"ActiveCaption", u"AppWorkSpace",
    u"Background", u"BtnFace", u"BtnHighlight", u"BtnShadow", u"BtnText", u"CaptionText",
    u"Default", u"GrayText", u"Highlight", u"HighlightText", u"InactiveBorder",
    u"InactiveCaption", u"InactiveCaptionText", u"InfoBk", u"InfoText", u"Menu", u"MenuText",
    u"None", u"ScrollBar", u"3DDkShadow", u"3DLight", u"Window", u"WindowFrame", u"WindowText",
};

const std::array<TColor, 11> ColorArray_Geo1 = {
    0xDED2BDu, 0x639F63u, 0x89BA88u, 0xA7CFADu, 0xC5E5D2u, 0xCBF1F5u,
    0x96CEEAu, 0x6CAED8u, 0x3586BDu, 0x426594u, 0xF0FAFCu};
const std::array<TColor, 11> ColorArray_Geo2 = {
    0xDFAE7Fu, 0xDEB68Cu, 0xE3BE9Bu, 0xE2C9ADu, 0xDCCCBBu, 0x90BBACu,
    0x99C9C6u, 0xA4D7DAu, 0xA1C8DAu, 0x9AB6C5u, 0x96ACC8u};
const std::array<TColor, 11> ColorArray_Geo3 = {
    0xFF8A2Bu, 0xFF9C43u, 0xFFAF61u, 0xFFCA89u, 0xF9D1A8u, 0x4AA885u,
    0x5DCAC2u, 0x74EDF4u, 0x6DC7F4u, 0x5F9CC0u, 0x5685C7u};
const std::array<TColor, 11> ColorArray_Rainbow = {
    0x400020u, 0x800060u, 0xEF1200u, 0xF56E00u, 0xFFF400u, 0x00FF18u,
    0x00F6FFu, 0x00C1FFu, 0x0013FFu, 0x00008Du, 0x000040u};
const std::array<TColor, 7> ColorArray_Circle = {
    0x0000FFu, 0x00FFFFu, 0x00FF00u, 0xFFFF00u, 0xFF0000u, 0xFF00FFu, 0x0000FFu};
const std::array<TColor, 7> ColorArray_MorgenStemning = {
    0x000000u, 0x4E2F0Eu, 0x742880u, 0x711BC2u, 0x4C61EFu, 0x2AFBFFu, 0xFFFFFFu};
const std::array<TColor, 16> ColorArray_Contrast = {
    0x000000u, 0xFF0000u, 0x008000u, 0x0000FFu, 0x0080FFu, 0x808080u, 0x404080u, 0xFF00FFu,
    0x800000u, 0x00FF00u, 0xC5CD18u, 0x808000u, 0xFF0080u, 0x41E1EEu, 0x800080u, 0x8000FFu};

namespace {

// The fixed desktop theme behind the system colour codes, as TColor values
// (blue in the high byte), indexed by the code's low byte.
constexpr std::array<TColor, kSystemColorCount> kSystemColors = {
    0xC8C8C8u,  // 0 ScrollBar
    0xA56E3Au,  // 1 Background
    0xE48435u,  // 2 ActiveCaption
    0xDBCDBFu,  // 3 InactiveCaption
    0xF4F5F6u,  // 4 Menu
    0xFFFFFFu,  // 5 Window
    0x646464u,  // 6 WindowFrame
    0x36342Eu,  // 7 MenuText
    0x000000u,  // 8 WindowText
    0xFFFFFFu,  // 9 CaptionText
    0xC2C7CDu,  // 10 ActiveBorder
    0xDADDDEu,  // 11 InactiveBorder
    0xABABABu,  // 12 AppWorkSpace
    0xE48435u,  // 13 Highlight
    0xFFFFFFu,  // 14 HighlightText
    0xF0F0F0u,  // 15 BtnFace
    0xA0A0A0u,  // 16 BtnShadow
    0x959592u,  // 17 GrayText
    0x000000u,  // 18 BtnText
    0x544E43u,  // 19 InactiveCaptionText
    0xFFFFFFu,  // 20 BtnHighlight
    0x696969u,  // 21 3DDkShadow
    0xE3E3E3u,  // 22 3DLight
    0x000000u,  // 23 InfoText
    0xE1FFFFu,  // 24 InfoBk
};
// clang-format on

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

inline int HexValue(Char c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

inline Char FoldAscii(Char c) noexcept { return c >= u'a' && c <= u'z' ? c - 32 : c; }

bool SameTextAscii(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

std::u16string_view TrimSpaces(std::u16string_view s) noexcept {
  const size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(u' ') - first + 1);
}

bool StartsWithCl(std::u16string_view s) noexcept {
  return s.size() > 2 && FoldAscii(s[0]) == u'C' && FoldAscii(s[1]) == u'L';
}

}  // namespace

namespace internal {

size_t FormatHexDigits(uint32_t Value, int Digits, Char* Out) noexcept {
  const int n = std::clamp(Digits, 1, 16);
  for (int i = n - 1; i >= 0; --i) {
    Out[i] = kHexDigits[Value & 0xFu];
    Value >>= 4;
  }
  return static_cast<size_t>(n);
}

uint32_t ParseHexColor(std::u16string_view Text, size_t& Pos, size_t* Digits) noexcept {
  const size_t len = Text.size();
  if (Pos < 1) Pos = 1;
  while (Pos < len && Text[Pos - 1] == u' ') ++Pos;
  uint32_t value = 0;
  size_t digits = 0;
  for (; Pos <= len; ++Pos) {
    const Char c = Text[Pos - 1];
    if (c == u'$' && Pos == 1) continue;
    const int d = HexValue(c);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
    ++digits;
  }
  if (Digits) *Digits = digits;
  return value;
}

}  // namespace internal

String ColorToHexStr(TColor Color) {
  Char buf[16];
  const size_t n = internal::FormatHexDigits(Color, 8, buf);
  return String(buf, n);
}

TColor HexStrToColor(const String& Text) {
  const std::u16string_view t = TrimSpaces(Text);
  if (t.empty()) return 0;
  size_t pos = t[0] == u'$' ? 2 : 1;
  return internal::ParseHexColor(t, pos);
}

String ObtainColorName(TColor Color) { return ObtainColorName(Color, false); }

String ObtainColorName(TColor Color, bool LongForm) {
  String hex = u"$" + ColorToHexStr(Color);
  const auto it = std::find(AllZELColors.begin(), AllZELColors.end(), Color);
  if (it == AllZELColors.end()) return hex;
  const std::u16string_view name = AllZELColorNames[static_cast<size_t>(it - AllZELColors.begin())];
  if (!LongForm) return String(name);
  hex += u" (cl";
  hex += name;
  hex += u')';
  return hex;
}

bool ColorFromName(const String& Name, TColor& Color) {
  std::u16string_view s = TrimSpaces(Name);
  if (s.empty()) return false;
  if (s[0] == u'$') {
    // "$XXXXXXXX" alone or followed by " (clName)".
    size_t pos = 2;
    size_t digits = 0;
    const uint32_t v = internal::ParseHexColor(s, pos, &digits);
    if (digits == 0 || digits > 8) return false;
    const std::u16string_view rest = TrimSpaces(s.substr(pos - 1));
    if (!rest.empty() && !(rest.size() > 2 && rest.front() == u'(' && rest.back() == u')'))
      return false;
    Color = v;
    return true;
  }
  const auto find = [&](std::u16string_view key, TColor& out) {
    for (size_t i = 0; i < AllZELColorNames.size(); ++i)
      if (SameTextAscii(AllZELColorNames[i], key)) return out = AllZELColors[i], true;
    for (size_t i = 0; i < PredefinedColorNames.size(); ++i)
      if (SameTextAscii(PredefinedColorNames[i], key)) return out = PredefinedColors[i], true;
    return false;
  };
  if (find(s, Color)) return true;
  return StartsWithCl(s) && find(s.substr(2), Color);
}

TColor ColorToRGB(TColor Color) {
  if ((Color & 0xFF000000u) == kSystemColorFlag && (Color & 0x00FFFFFFu) < kSystemColorCount)
    return kSystemColors[Color & 0xFFu];
  return Color & 0xFFFFFFu;
}

}  // namespace zel
