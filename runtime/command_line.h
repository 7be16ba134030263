// The command line as the program receives it.
#pragma once

// The part of a command line after the program's name: the name is either quoted, up to
// the closing quote, or runs to the first space.
const char* CommandLineTail(const char* commandLine);
