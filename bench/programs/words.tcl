proc main {} {
    set lines 0
    set words 0
    while {[gets stdin line] >= 0} {
        incr lines
        foreach w [regexp -all -inline {[a-z]+} $line] { incr words }
    }
    puts "$lines $words"
}
main
