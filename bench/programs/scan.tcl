proc main {} {
    set s1 [string repeat ABCDEFGHIJ 3200]
    set s2 [string repeat ABCDEFGHIY 3200]
    set misses 0
    for {set k 0} {$k < 10000} {incr k} {
        if {[regexp {ABCDEFGHIX} $s1]} continue
        incr misses
        if {[regexp {ABCDEFGHIX} $s2]} continue
        incr misses
    }
    puts $misses
}
main
