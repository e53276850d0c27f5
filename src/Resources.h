#pragma once
// The program's embedded files (pictures, the shipped settings and language files, the style sheet) live in
// a static library; this makes sure they are registered before anything reads them.
void ensureResources();

// The files built into the program that it puts into its working folder where they are missing.
inline constexpr const char* ShippedFiles[] = {"Vantoria.ini", "German.txt", "English.txt", "Italian.txt",
                                               "KELVARA.url"};
