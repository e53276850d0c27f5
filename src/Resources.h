#pragma once
// The program's embedded files (pictures, the shipped settings and language files, the style sheet) live in
// a static library; this makes sure they are registered before anything reads them.
void ensureResources();
