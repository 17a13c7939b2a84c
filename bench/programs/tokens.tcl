proc main {} {
    set lines 0
    set tokens 0
    set chars 0
    while {[gets stdin line] >= 0} {
        append line " "
        incr lines
        foreach {whole token} [regexp -all -inline -indices {([^ ]+) +} $line] {
            incr tokens
            incr chars [expr {[lindex $token 1] - [lindex $token 0] + 1}]
        }
    }
    puts "$lines $tokens $chars"
}
main
