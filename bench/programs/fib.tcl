proc fib {n} {
    if {$n < 2} { return $n }
    return [expr {[fib [expr {$n - 1}]] + [fib [expr {$n - 2}]]}]
}
for {set k 0} {$k < 10} {incr k} { set r [fib 24] }
puts $r
