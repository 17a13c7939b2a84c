proc main {} {
    for {set r 0} {$r < 10} {incr r} {
        set s ""
        while {[string length $s] < 31990} { append s ABCDEFG }
    }
    puts [string length $s]
}
main
