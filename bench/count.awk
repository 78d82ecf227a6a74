# One pass over a connection log, counting what the analyzer counts: blocks per client, per
# day and per project (RC5 returns, OGR completions), the uplink totals and the last buffer
# texts. The baseline the counting benchmark is measured against, and its cross-check.
#
#   mawk -f bench/count.awk conlog.log
#
# Prints the lines of `conlog-sim --expect` (in no particular order):
#   lines N / last DATE TIME / uplink P N / clients P N / buffer P IN OUT /
#   record P CLIENT BLOCKS DATE TIME / day P CLIENT DATE BLOCKS
# Records end at LF; the line is the text before the CR of CR LF less one more byte (the
# extra CR the proxy writes). Fields are cut at every single space, as the analyzer does.

BEGIN {
    upRC5 = 0; upOGR = 0
    inBuf["RC5"] = "0"; outBuf["RC5"] = "0"; inBuf["OGR"] = "0"; outBuf["OGR"] = "0"
}

{
    line = substr($0, 1, length($0) - 2)
    date = substr(line, 1, 8)
    time = substr(line, 10, 8)
    token = substr(line, 19, 6)
    message = substr(line, 19)
    if (token == "rc564 ") {
        split(message, f, ",")
        inBuf["RC5"] = substr(f[1], 9); outBuf["RC5"] = substr(f[2], 4)
    } else if (token == "ogr r=") {
        split(message, f, ",")
        inBuf["OGR"] = substr(f[1], 7); outBuf["OGR"] = substr(f[2], 4)
    } else if (token == "Client") {
        if (index(line, "-->")) {
            split(message, f, / /)
            count("RC5", f[2], f[6] + 0)
        }
    } else if (token == "server") {
        split(message, f, / /)
        if (f[2] == "<--") {
            if (f[5] == "ogr") upOGR++
            else upRC5 += f[7]
        }
    } else if (index(line, "completed ogr")) {
        split(message, f, / /)
        count("OGR", substr(f[1], 1, length(f[1]) - 1), 1)
    }
}

function count(project, client, n) {
    total[project] += n
    add(project, "<All-clients>", n)
    add(project, client, n)
}

function add(project, client, n,    key) {
    key = project " " client
    blocks[key] += n
    last[key] = date " " time
    perDay[key " " date] += n
}

END {
    # printf "%.0f": print would show large sums as 3e+09
    printf "lines %.0f\n", NR
    if (NR) print "last " date " " time
    printf "uplink RC5 %.0f\nuplink OGR %.0f\n", upRC5, upOGR
    printf "clients RC5 %.0f\nclients OGR %.0f\n", total["RC5"], total["OGR"]
    print "buffer RC5 " inBuf["RC5"] " " outBuf["RC5"]
    print "buffer OGR " inBuf["OGR"] " " outBuf["OGR"]
    for (key in blocks) printf "record %s %.0f %s\n", key, blocks[key], last[key]
    for (key in perDay) {
        split(key, k, " ")
        printf "day %s %s %s %.0f\n", k[1], k[2], k[3], perDay[key]
    }
}
