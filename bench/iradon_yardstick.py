#!/usr/bin/python3
"""The yardstick of the back-projection benchmark: scikit-image's filtered
back-projection (ramp filter, linear interpolation) of a 512-wide sinogram of
900 projections onto a 2048 x 2048 grid, the job that zyt_bench_ma's
BackProject/512/900/2048 does. Prints the time of the best of the runs."""
import sys
import time

import numpy as np
from skimage.transform import iradon

WIDTH, PROJECTIONS, GRID = 512, 900, 2048
runs = int(sys.argv[1]) if len(sys.argv) > 1 else 1
k = np.arange(WIDTH, dtype=np.float64)[:, None]
m = np.arange(PROJECTIONS, dtype=np.float64)[None, :]
sinogram = np.maximum(0.0, 1.0 - np.abs(k - 0.5 * WIDTH) / (0.4 * WIDTH)) + 0.1 * np.sin(0.05 * k + 0.01 * m)
theta = np.arange(PROJECTIONS) * 180.0 / PROJECTIONS
best = None
for _ in range(runs):
    start = time.perf_counter()
    iradon(sinogram, theta=theta, output_size=GRID, filter_name="ramp", interpolation="linear",
           circle=False)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(f"skimage.transform.iradon {WIDTH} x {PROJECTIONS} onto {GRID} x {GRID}: {best:.2f} s")
