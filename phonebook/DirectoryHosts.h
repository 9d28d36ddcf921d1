#pragma once
// Host names of the two white-pages directories the lookup asks (TCP port 80).
// TINTOREL_DIRECTORY=<host>[:<port>] overrides the one in use.

inline constexpr const char* kSwissDirectoryHost = "tel.search.ch";
inline constexpr const char* kFrenchDirectoryHost = "www.pagesblanches.fr";
