#include "phonebook/DirectoryProfiles.h"

#include "phonebook/DirectoryHosts.h"

CPhonebook::Profile DirectoryProfile(int country) {
    CPhonebook::Profile profile;
    if (country == 1) {
        profile.host = kFrenchDirectoryHost;
        profile.request = "GET /France/wp/search/result.asp?pagestep=5&searchtype=white&lastname="
                          "&firstname=&dep=&cityguess=1&city=&lang=1&Search.x=9&Search.y=21&phone=";
        profile.tableMarker = "<table width=\"480\">";
        profile.rowMarker = "<table border=\"0\" cellspacing=\"0\" width=\"100%\" "
                            "bgcolor=\"#FFCC00\">";
        profile.maxRowDistance = 80;
        profile.nameStart = "<td valign=\"top\" width=\"90%\"><small><b>";
        profile.nameEnd = "</b></small>";
    } else {
        profile.host = kSwissDirectoryHost;
        profile.request = "GET /result.fr.html?name=&misc=&strasse=&ort=&kanton=&tel=";
        profile.tableMarker = "<table border=\"0\" cellpadding=\"1\" cellspacing=\"0\" "
                              "width=\"100%\">";
        profile.rowMarker = "<td bgcolor=\"#CCCCCC\">";
        profile.maxRowDistance = 70;
        profile.nameStart = "<td nowrap valign=\"top\" width=\"100%\">";
        profile.nameEnd = "<br>";
    }
    return profile;
}
