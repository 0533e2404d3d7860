# The two commands of the README, and a few more.
.PHONY: run test bench fuzz package
ARGS ?=

run:
	./scripts/run.sh $(ARGS)

test:
	./scripts/test.sh

bench:
	./scripts/bench.sh

fuzz:
	./scripts/fuzz.sh

package:
	./scripts/package.sh
