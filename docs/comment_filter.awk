# Doxygen input filter for the public headers. The headers use plain "//"
# comments; this turns them into documentation comments on the fly:
#   - a comment line before a declaration documents it ("//" -> "///"),
#   - a comment after code on the same line documents that member ("///<"),
#   - the file's opening comment documents the file (its "#pragma once" becomes
#     "/// @file", which joins the comment above it).
# Line numbers stay as they are, so doxygen's warnings point at the right lines.
function is_comment_line(text) { return text ~ /^[ \t]*\/\/( |$)/ }

FNR == 1 { opening = 1 }

{
    line = $0
    if (opening && line ~ /^#pragma once/) {
        print "/// @file"
        opening = 0
        next
    }
    if (!is_comment_line(line) && line !~ /^[ \t]*$/) opening = 0

    if (is_comment_line(line)) {
        sub(/\/\//, "///", line)
    } else {
        # Code followed by a comment: the comment must follow white space and
        # lie outside a string (an even number of quotes before it).
        at = index(line, " // ")
        if (at > 0) {
            code = substr(line, 1, at)
            quotes = code
            if (code ~ /[^ \t]/ && gsub(/"/, "", quotes) % 2 == 0) line = code "///< " substr(line, at + 4)
        }
    }
    print line
}
