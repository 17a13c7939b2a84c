proc main {n} {
    set i 0
    while {$i < $n} { set i [expr {$i + 1}] }
    puts $i
}
main [expr {$argc > 0 ? [lindex $argv 0] : 5000000}]
