# Sourced by the scripts that run the test suite: unless PRICETAG_TEST_PG already names a server,
# starts a throwaway PostgreSQL cluster for the run and stops it on every way out. Without the
# PostgreSQL server programs the PostgreSQL half is skipped with a note; under CI=true that is a
# failure. Needs $here (the project root).
if [ -z "${PRICETAG_TEST_PG:-}" ]; then
  cluster=$(mktemp -d /tmp/pricetag-pg.XXXXXX)
  trap '"$here/scripts/pg-test-cluster.sh" stop "$cluster"' EXIT
  set +e
  settings=$("$here/scripts/pg-test-cluster.sh" start "$cluster")
  rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    eval "$settings"
    echo "PostgreSQL half: a test cluster in $cluster"
  elif [ "${CI:-}" = "true" ]; then
    echo "PostgreSQL test cluster could not be started; under CI the PostgreSQL half must run" >&2
    exit 1
  else
    echo "NOTE: the PostgreSQL half of the host and window tests is skipped (no PostgreSQL server here)" >&2
  fi
fi
