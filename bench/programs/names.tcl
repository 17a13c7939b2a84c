proc main {} {
    for {set i 1} {$i <= 2400} {incr i} { set var(N$i) $i }
    set sum 0
    for {set j 1} {$j <= 1000000} {incr j} {
        set sum [expr {$sum + $var(N[expr {$j % 2400 + 1}])}]
    }
    puts $sum
}
main
