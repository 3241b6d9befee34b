"""Levenshtein distance, shared by the benchmarks' accuracy measures."""


def edit_distance(a, b):
    """The fewest single-character insertions, deletions and substitutions from a to b."""
    row = list(range(len(b) + 1))
    for i in range(1, len(a) + 1):
        diagonal, row[0] = row[0], i
        for j in range(1, len(b) + 1):
            above = row[j]
            row[j] = min(row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1]))
            diagonal = above
    return row[len(b)]
