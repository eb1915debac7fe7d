// plainLzari.cpp -- the reference LZARI codec: every step of the published algorithm, unoptimised.
//
// LZSS over a 4096-byte ring searched through 256 binary trees, its literals, match lengths and
// match positions coded by an adaptive arithmetic coder (H. Okumura, 1989), with N 4096, F 60,
// threshold 2, no header and the last byte padded with zero bits. The code follows the algorithm
// line by line on purpose; the production codec must match its streams and its results exactly.
#include "bench/plainLzari.h"

#include <cstring>

namespace {

constexpr int kN = 4096;          // ring size
constexpr int kF = 60;            // longest match
constexpr int kThreshold = 2;     // longer matches only
constexpr int kNil = kN;          // empty tree link
constexpr int kChars = 256 - kThreshold + kF;  // 314 symbols
constexpr uint32_t kMaxCum = 32767;
constexpr uint32_t kQ1 = 0x8000, kQ2 = 0x10000, kQ3 = 0x18000, kQ4 = 0x20000;

}  // namespace

struct PlainLzari::State {
    uint8_t ring[kN + kF - 1];
    int matchPosition, matchLength;
    int parent[kN + 1], leftChild[kN + 1], rightChild[kN + 257];
    uint32_t low, high, value;
    int pendingBits;
    int charToSym[kChars], symToChar[kChars + 1];
    uint32_t symFreq[kChars + 1], symCum[kChars + 1], posCum[kN + 1];

    const uint8_t* input;
    uint32_t inputPos, inputLength;
    uint8_t* output;
    uint32_t outputCount, outputCapacity;
    uint32_t putBuffer, putMask, getBuffer, getMask;

    void Reset() {
        std::memset(this, 0, sizeof(*this));
        high = kQ4;
        putMask = 0x80;
        InitTree();
    }

    void InitTree() {
        for (int i = kN + 1; i <= kN + 256; i++)
            rightChild[i] = kNil;
        for (int i = 0; i < kN; i++)
            parent[i] = kNil;
    }

    void InsertNode(int r) {
        int cmp = 1;
        const uint8_t* key = &ring[r];
        int p = kN + 1 + key[0];
        rightChild[r] = leftChild[r] = kNil;
        matchLength = 0;
        for (;;) {
            if (cmp >= 0) {
                if (rightChild[p] == kNil) {
                    rightChild[p] = r;
                    parent[r] = p;
                    return;
                }
                p = rightChild[p];
            } else {
                if (leftChild[p] == kNil) {
                    leftChild[p] = r;
                    parent[r] = p;
                    return;
                }
                p = leftChild[p];
            }
            int i = 1;
            for (; i < kF; i++)
                if ((cmp = key[i] - ring[p + i]) != 0)
                    break;
            if (i > kThreshold) {
                int distance = (r - p) & (kN - 1);
                if (i > matchLength) {
                    matchPosition = distance;
                    if ((matchLength = i) >= kF)
                        break;
                } else if (i == matchLength && distance < matchPosition) {
                    matchPosition = distance;
                }
            }
        }
        parent[r] = parent[p];
        leftChild[r] = leftChild[p];
        rightChild[r] = rightChild[p];
        parent[leftChild[p]] = r;
        parent[rightChild[p]] = r;
        if (rightChild[parent[p]] == p)
            rightChild[parent[p]] = r;
        else
            leftChild[parent[p]] = r;
        parent[p] = kNil;
    }

    void DeleteNode(int p) {
        if (parent[p] == kNil)
            return;
        int q;
        if (rightChild[p] == kNil) {
            q = leftChild[p];
        } else if (leftChild[p] == kNil) {
            q = rightChild[p];
        } else {
            q = leftChild[p];
            if (rightChild[q] != kNil) {
                do
                    q = rightChild[q];
                while (rightChild[q] != kNil);
                rightChild[parent[q]] = leftChild[q];
                parent[leftChild[q]] = parent[q];
                leftChild[q] = leftChild[p];
                parent[leftChild[p]] = q;
            }
            rightChild[q] = rightChild[p];
            parent[rightChild[p]] = q;
        }
        parent[q] = parent[p];
        if (rightChild[parent[p]] == p)
            rightChild[parent[p]] = q;
        else
            leftChild[parent[p]] = q;
        parent[p] = kNil;
    }

    void StartModel() {
        symCum[kChars] = 0;
        for (int sym = kChars; sym >= 1; sym--) {
            charToSym[sym - 1] = sym;
            symToChar[sym] = sym - 1;
            symFreq[sym] = 1;
            symCum[sym - 1] = symCum[sym] + symFreq[sym];
        }
        symFreq[0] = 0;
        posCum[kN] = 0;
        for (int i = kN; i >= 1; i--)
            posCum[i - 1] = posCum[i] + 10000 / (i + 200);
    }

    void UpdateModel(int sym) {
        if (symCum[0] >= kMaxCum) {
            uint32_t c = 0;
            for (int i = kChars; i > 0; i--) {
                symCum[i] = c;
                c += (symFreq[i] = (symFreq[i] + 1) >> 1);
            }
            symCum[0] = c;
        }
        int i = sym;
        while (symFreq[i] == symFreq[i - 1])
            i--;
        if (i < sym) {
            int ch = symToChar[i], chSym = symToChar[sym];
            symToChar[i] = chSym;
            symToChar[sym] = ch;
            charToSym[chSym] = i;
            charToSym[ch] = sym;
        }
        symFreq[i]++;
        while (--i >= 0)
            symCum[i]++;
    }

    void PutBit(int bit) {
        if (bit)
            putBuffer |= putMask;
        if ((putMask >>= 1) == 0) {
            if (outputCount < outputCapacity)
                output[outputCount] = uint8_t(putBuffer);
            outputCount++;
            putBuffer = 0;
            putMask = 0x80;
        }
    }

    void FlushBits() {
        for (int i = 0; i < 7; i++)
            PutBit(0);
    }

    void Output(int bit) {
        PutBit(bit);
        for (; pendingBits > 0; pendingBits--)
            PutBit(!bit);
    }

    void Narrow(const uint32_t* cum, int index) {
        uint32_t range = high - low;
        high = low + range * cum[index - 1] / cum[0];
        low += range * cum[index] / cum[0];
    }

    void EncodeNormalise() {
        for (;;) {
            if (high <= kQ2) {
                Output(0);
            } else if (low >= kQ2) {
                Output(1);
                low -= kQ2;
                high -= kQ2;
            } else if (low >= kQ1 && high <= kQ3) {
                pendingBits++;
                low -= kQ1;
                high -= kQ1;
            } else {
                break;
            }
            low += low;
            high += high;
        }
    }

    void EncodeChar(int c) {
        int sym = charToSym[c];
        Narrow(symCum, sym);
        EncodeNormalise();
        UpdateModel(sym);
    }

    void EncodePosition(int position) {
        Narrow(posCum, position + 1);
        EncodeNormalise();
    }

    void EncodeEnd() {
        pendingBits++;
        Output(low < kQ1 ? 0 : 1);
        FlushBits();
    }

    int GetBit() {
        if ((getMask >>= 1) == 0) {
            if (inputPos < inputLength)
                getBuffer = input[inputPos];
            inputPos++;
            getMask = 0x80;
        }
        return (getBuffer & getMask) != 0;
    }

    void StartDecode() {
        for (int i = 0; i < 17; i++)
            value = 2 * value + GetBit();
    }

    static int Search(const uint32_t* cum, int count, uint32_t x) {
        int lo = 1, hi = count;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (cum[mid] > x)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    void DecodeNormalise() {
        for (;;) {
            if (low >= kQ2) {
                value -= kQ2;
                low -= kQ2;
                high -= kQ2;
            } else if (low >= kQ1 && high <= kQ3) {
                value -= kQ1;
                low -= kQ1;
                high -= kQ1;
            } else if (high > kQ2) {
                break;
            }
            low += low;
            high += high;
            value = 2 * value + GetBit();
        }
    }

    int DecodeChar() {
        uint32_t range = high - low;
        int sym = Search(symCum, kChars, ((value - low + 1) * symCum[0] - 1) / range);
        Narrow(symCum, sym);
        DecodeNormalise();
        int c = symToChar[sym];
        UpdateModel(sym);
        return c;
    }

    int DecodePosition() {
        uint32_t range = high - low;
        int index = Search(posCum, kN, ((value - low + 1) * posCum[0] - 1) / range);
        Narrow(posCum, index);
        DecodeNormalise();
        return index - 1;
    }

    void Emit(uint8_t c, int& r, uint32_t expandedLength) {
        if (outputCount < expandedLength)
            output[outputCount] = c;
        outputCount++;
        ring[r] = c;
        r = (r + 1) & (kN - 1);
    }
};

PlainLzari::PlainLzari() : state(new State) {}
PlainLzari::~PlainLzari() = default;

bool PlainLzari::Compress(const uint8_t* input, uint32_t length, std::vector<uint8_t>& stream) {
    if (!input || length == 0)
        return false;
    State& st = *state;
    st.Reset();
    stream.assign(size_t(length) * 2, 0);
    st.output = stream.data();
    st.outputCapacity = uint32_t(stream.size());
    st.StartModel();
    st.InitTree();
    std::memset(st.ring, ' ', kN - kF);
    int s = 0, r = kN - kF;
    uint32_t inputPos = 0;
    int len = 0;
    for (; len < kF && inputPos < length; len++)
        st.ring[r + len] = input[inputPos++];
    for (int i = 1; i <= kF; i++)
        st.InsertNode(r - i);
    st.InsertNode(r);
    while (len > 0) {
        if (st.matchLength > len)
            st.matchLength = len;
        if (st.matchLength <= kThreshold) {
            st.matchLength = 1;
            st.EncodeChar(st.ring[r]);
        } else {
            st.EncodeChar(255 - kThreshold + st.matchLength);
            st.EncodePosition(st.matchPosition - 1);
        }
        int last = st.matchLength;
        int i = 0;
        for (; i < last && inputPos < length; i++) {
            uint8_t c = input[inputPos++];
            st.DeleteNode(s);
            st.ring[s] = c;
            if (s < kF - 1)
                st.ring[s + kN] = c;
            s = (s + 1) & (kN - 1);
            r = (r + 1) & (kN - 1);
            st.InsertNode(r);
        }
        while (i++ < last) {
            st.DeleteNode(s);
            s = (s + 1) & (kN - 1);
            r = (r + 1) & (kN - 1);
            if (--len)
                st.InsertNode(r);
        }
    }
    st.EncodeEnd();
    if (st.outputCount > st.outputCapacity) {
        stream.clear();
        return false;
    }
    stream.resize(st.outputCount);
    return true;
}

bool PlainLzari::Decompress(const uint8_t* input, uint32_t length, uint32_t expandedLength,
                            std::vector<uint8_t>& output) {
    if (!input || length == 0 || expandedLength == 0)
        return false;
    State& st = *state;
    st.Reset();
    st.input = input;
    st.inputLength = length;
    output.assign(expandedLength, 0);
    st.output = output.data();
    st.StartDecode();
    st.StartModel();
    std::memset(st.ring, ' ', kN - kF);
    int r = kN - kF;
    while (st.outputCount < expandedLength) {
        int c = st.DecodeChar();
        if (c < 256) {
            st.Emit(uint8_t(c), r, expandedLength);
        } else {
            int start = (r - st.DecodePosition() - 1) & (kN - 1);
            int count = c - 255 + kThreshold;
            for (int j = 0; j < count; j++)
                st.Emit(st.ring[(start + j) & (kN - 1)], r, expandedLength);
        }
    }
    if (st.outputCount != expandedLength) {
        output.clear();
        return false;
    }
    return true;
}
