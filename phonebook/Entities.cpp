#include "phonebook/Entities.h"

// The Latin-1 entity set of HTML 4.01, in code order from 160 to 255.
const char* const g_entityNames[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

int LookupEntity(const std::string& name) {
    for (int i = 0; i < 96; ++i)
        if (name == g_entityNames[i])
            return 160 + i;
    return 0;
}

void DecodeEntities(std::string& text) {
    std::size_t p = text.find('&');
    while (p != std::string::npos) {
        std::size_t q = text.find(';', p);
        if (q != std::string::npos && q - p <= 7) {
            int code = LookupEntity(text.substr(p + 1, q - p - 1));
            if (code == 0) {
                // A reference we can't decode ends the name.
                text.erase(p);
                return;
            }
            text.replace(p, q - p + 1, 1, static_cast<char>(code));
        }
        p = text.find('&', p + 1);
    }
}
