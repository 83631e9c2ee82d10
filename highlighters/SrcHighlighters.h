// Registers every language highlighter with the highlighter list; called
// once at start-up.
#pragma once

void RegisterBuiltinHighlighters();
