# Shared by the measuring scripts: source it. The median is the one the C++ benchmarks report
# (bench/median.h): the middle value, or the mean of the two middle values of an even count.
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
